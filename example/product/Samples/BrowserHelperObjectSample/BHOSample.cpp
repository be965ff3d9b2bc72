// BHOSample.cpp: the BrowserHelperObjectSample sample
#include "stdafx.h"
