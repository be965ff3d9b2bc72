// ContextMenuWithIcons.cpp: the ContextMenuWithIcons sample
#include "stdafx.h"
