// LargeTextFiles.cpp: the OverlayIconExtensionSample sample
#include "stdafx.h"
