// DummyDiskCleaner.cpp: the DiskCleanupExtensionSample sample
#include "stdafx.h"
