// TextFilePreview.cpp: the ThumbnailProviderSample sample
#include "stdafx.h"
