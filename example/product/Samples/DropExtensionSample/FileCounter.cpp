// FileCounter.cpp: the DropExtensionSample sample
#include "stdafx.h"
