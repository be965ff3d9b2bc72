// FileDragDropInfoSample.cpp: the DragDropExtensionSample sample
#include "stdafx.h"
