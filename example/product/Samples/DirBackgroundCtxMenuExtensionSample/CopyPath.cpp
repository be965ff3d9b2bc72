// CopyPath.cpp: the DirBackgroundCtxMenuExtensionSample sample
#include "stdafx.h"
