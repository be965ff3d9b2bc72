// SlnFileVersion.cpp: the ColumnExtensionSample sample
#include "stdafx.h"
