// ImagePreviewSample.cpp: the ImagePreviewSample sample
#include "stdafx.h"
