// VideoFilesAutoPlay.cpp: the AutoPlayExtensionSample sample
#include "stdafx.h"
