// ShellExecuteLog.cpp: the ShellExecuteHookExtensionSample sample
#include "stdafx.h"
