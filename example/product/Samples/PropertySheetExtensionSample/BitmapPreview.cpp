// BitmapPreview.cpp: the PropertySheetExtensionSample sample
#include "stdafx.h"
