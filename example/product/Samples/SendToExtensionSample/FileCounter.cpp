// FileCounter.cpp: the SendToExtensionSample sample
#include "stdafx.h"
