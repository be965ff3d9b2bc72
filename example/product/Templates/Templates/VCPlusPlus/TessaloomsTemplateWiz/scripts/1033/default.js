// TessaloomsTemplateWiz wizard script for Visual Studio .NET (7.0 and 7.1)
function OnFinish(selProj, selObj)
{
	var strProjectPath = wizard.FindSymbol("PROJECT_PATH");
	var InfFile = CreateInfFile();
	AddFilesToProject(selProj, strProjectName, InfFile);
	return 0;
}
