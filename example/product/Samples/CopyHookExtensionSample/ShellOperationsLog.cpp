// ShellOperationsLog.cpp: the CopyHookExtensionSample sample
#include "stdafx.h"
