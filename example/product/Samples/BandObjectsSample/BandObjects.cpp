// BandObjects.cpp: the BandObjectsSample sample
#include "stdafx.h"
