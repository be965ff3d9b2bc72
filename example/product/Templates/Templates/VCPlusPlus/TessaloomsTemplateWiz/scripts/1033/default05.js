// TessaloomsTemplateWiz wizard script for Visual Studio 2005 and later
function OnFinish(selProj, selObj)
{
	var strBase = wizard.FindSymbol("BASE_DIR");
	var InfFile = CreateCustomInfFile();
	AddFilesToCustomProj(selProj, strProjectName, strProjectPath, InfFile);
	PchSettings(selProj);
	return 0;
}
