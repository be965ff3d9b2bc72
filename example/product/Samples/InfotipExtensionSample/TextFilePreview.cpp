// TextFilePreview.cpp: the InfotipExtensionSample sample
#include "stdafx.h"
