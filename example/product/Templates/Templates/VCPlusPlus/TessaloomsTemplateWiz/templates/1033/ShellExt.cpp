// [!output CLASS_NAME].cpp: the shell extension
#include "stdafx.h"
#include "[!output HEADER_FILE]"

STDMETHODIMP [!output CLASS_NAME]::Initialize(LPCITEMIDLIST, IDataObject*, HKEY)
{
	return S_OK;
}
