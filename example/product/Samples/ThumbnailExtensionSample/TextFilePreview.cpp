// TextFilePreview.cpp: the ThumbnailExtensionSample sample
#include "stdafx.h"
