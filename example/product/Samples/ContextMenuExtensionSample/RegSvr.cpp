// RegSvr.cpp: the ContextMenuExtensionSample sample
#include "stdafx.h"
