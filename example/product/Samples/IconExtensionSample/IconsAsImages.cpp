// IconsAsImages.cpp: the IconExtensionSample sample
#include "stdafx.h"
