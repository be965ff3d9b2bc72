// BitmapPreview.cpp: the PreviewHandlerSample sample
#include "stdafx.h"
