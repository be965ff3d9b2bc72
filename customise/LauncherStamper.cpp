#include "customise/LauncherStamper.h"

#include "app/TemplatesDir.h"
#include "customise/ProjectRewriter.h"
#include "deploy/FileSystem.h"
#include "deploy/VisualStudio.h"

namespace orvane {

std::vector<std::string> GetWizardLauncherNames() {
    return {
        "AddBrowserHelperObject.vsz",
        "AddColumnExtension.vsz",
        "AddContextMenuExtension.vsz",
        "AddCopyHookExtension.vsz",
        "AddDeskBand.vsz",
        "AddDirBackgroundContextMenuExtension.vsz",
        "AddDiskCleanupExtension.vsz",
        "AddDragDropExtension.vsz",
        "AddDropExtension.vsz",
        "AddHorizontalExplorerBar.vsz",
        "AddIconExtension.vsz",
        "AddInfotipExtension.vsz",
        "AddOverlayIconExtension.vsz",
        "AddPropertySheetExtension.vsz",
        "AddSendToExtension.vsz",
        "AddShellExecuteHookExtension.vsz",
        "AddThumbnailExtension.vsz",
        "AddToolBand.vsz",
        "AddVerticalExplorerBar.vsz",
        "AddAutoPlayExtension.vsz",
        "AddPreviewHandler.vsz",
        "AddPropertyHandler.vsz",
        "AddThumbnailProvider.vsz",
        "AddControlPanelItem.vsz",
    };
}

std::string MakeBaseDirParamLine(const std::string& productRoot) {
    return "Param=\"BASE_DIR = " + productRoot + "\"";
}

void AppendLineToFile(Env& env, Handle file, const std::string& line) {
    env.SeekToEnd(file);
    const std::string stamp = "\n" + line + "\n";
    env.Write(file, stamp.data(), static_cast<std::uint32_t>(stamp.size()));
}

void StampWizardLauncher(Env& env, const std::string& root, const std::string& launcherPath,
                         const std::string& line) {
    if (!IsExistingFile(env, launcherPath)) {
        return;
    }
    FileCloser file(env);
    if (OpenBelow(env, root, launcherPath, Access::kReadWrite, file.put()) != EntryKind::kFile) {
        return;
    }
    AppendLineToFile(env, file.get(), line);
}

std::vector<std::string> GetWizardLauncherPaths(const std::string& templatesDir) {
    static const char* const kTemplateFolders[] = {"TessaloomsMFC", "TessaloomProjectMFC"};
    const std::vector<std::string> names = GetWizardLauncherNames();
    std::vector<std::string> paths;
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        for (const char* folder : kTemplateFolders) {
            const std::string dir =
                templatesDir + GetVersionString(index) + "\\VCPlusPlus\\" + folder + "\\";
            for (const std::string& name : names) {
                paths.push_back(dir + name);
            }
        }
    }
    return paths;
}

void StampWizardLaunchers(Env& env) {
    if (TemplatesDir.empty()) {
        return;
    }
    const std::string line = MakeBaseDirParamLine(GetProductRoot(TemplatesDir));
    const std::string root = GetTrustedRoot(TemplatesDir);
    for (const std::string& path : GetWizardLauncherPaths(TemplatesDir)) {
        StampWizardLauncher(env, root, path, line);
    }
}

}  // namespace orvane
