// SampleControlPanelItem.cpp: the ControlPanelItemSample sample
#include "stdafx.h"
