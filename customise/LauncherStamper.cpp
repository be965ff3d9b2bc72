#include "customise/LauncherStamper.h"

#include "deploy/FileSystem.h"
#include "deploy/Layout.h"
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

Status AppendLineToFile(const File& file, const std::string& line) {
    const std::string stamp = "\n" + line + "\n";
    const Status status = file.SeekToEnd();
    return status.ok() ? file.Write(stamp.data(), static_cast<std::uint32_t>(stamp.size()))
                       : status;
}

Status StampWizardLauncher(Env& env, const std::string& root, const std::string& launcherPath,
                           const std::string& line) {
    Root opened;
    const Status status = OpenRoot(env, root, &opened);
    return status.ok() ? StampWizardLauncher(opened, launcherPath, line) : status;
}

Status StampWizardLauncher(const Root& root, const std::string& launcherPath,
                           const std::string& line) {
    Child launcher;
    const Status status = OpenBelow(root, launcherPath, Access::kReadWrite, &launcher);
    if (!status.ok()) {
        return status;
    }
    switch (launcher.kind) {
        case EntryKind::kFile:
            return AppendLineToFile(launcher.file, line);
        case EntryKind::kLink:
            return Status::Failure(0, std::string("it is ") + kNotItself);
        case EntryKind::kMissing:
        case EntryKind::kFolder:
            break;
    }
    return Status();
}

std::vector<std::string> GetWizardLauncherPaths(const std::string& templatesDir) {
    const std::vector<std::string> names = GetWizardLauncherNames();
    std::vector<std::string> paths;
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        for (const char* folder : {kItemTemplates, kProjectTemplates}) {
            const std::string dir = templatesDir + GetVersionString(index) + "\\" +
                                    kVersionTemplates + "\\" + folder + "\\";
            for (const std::string& name : names) {
                paths.push_back(dir + name);
            }
        }
    }
    return paths;
}

bool StampWizardLaunchers(Env& env, const Product& product) {
    const std::string line = MakeBaseDirParamLine(product.productRoot);
    // Each failure goes to the log; the caller is told the first few, and
    // how many more, so that a caller reading a small pipe only after the
    // run is never blocked by a product whose launchers are all held.
    constexpr int kToldAtMost = 3;
    int failed = 0;
    for (const std::string& path : GetWizardLauncherPaths(product.templatesDir)) {
        const Status status = StampWizardLauncher(product.trusted, path, line);
        if (status.ok()) {
            continue;
        }
        const std::string told =
            "Orvane: " + path +
            ": cannot be stamped, so its wizard will not find the product: " + status.reason();
        if (++failed <= kToldAtMost) {
            env.Tell(told);
        } else {
            env.Log(told);
        }
    }
    if (failed > kToldAtMost) {
        env.Tell("Orvane: ... and " + std::to_string(failed - kToldAtMost) +
                 " more launchers like it (all in the log).");
    }
    return failed == 0;
}

}  // namespace orvane
