// TextFileInfoSample.cpp: the PropertyHandlerSample sample
#include "stdafx.h"
