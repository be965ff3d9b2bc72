#pragma once

// A small shipped product in a FakeEnv, and Visual Studio installations.

#include <string>

#include "deploy/Product.h"
#include "deploy/VisualStudio.h"
#include "tests/native/FakeEnv.h"

namespace orvane {

inline const std::string kTemplates = "C:\\Kit\\Templates\\";

// Per version: the two template folders, each with a launcher and a file;
// once: both wizards with both scripts, whose contents differ.
inline void AddShippedTemplates(FakeEnv& env, const std::string& templatesDir = kTemplates) {
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        const std::string base = templatesDir + GetVersionString(index) + "\\VCPlusPlus\\";
        env.AddFile(base + "TessaloomProjectMFC\\TessaloomProjectMFC.vsz",
                    "project " + GetVersionString(index));
        env.AddFile(base + "TessaloomProjectMFC\\Images\\icon.bmp", "bmp");
        env.AddFile(base + "TessaloomsMFC\\AddToolBand.vsz", "items " + GetVersionString(index));
    }
    for (const char* wizard : {"TessaloomsWiz", "TessaloomsTemplateWiz"}) {
        const std::string scripts =
            templatesDir + "Templates\\VCPlusPlus\\" + wizard + "\\scripts\\1033\\";
        env.AddFile(scripts + "default.js", std::string("old ") + wizard);
        env.AddFile(scripts + "default05.js", std::string("new ") + wizard);
        env.AddFile(templatesDir + "Templates\\VCPlusPlus\\" + wizard + "\\html\\1033\\default.htm",
                    "<html/>");
    }
}

// The product at `templatesDir`, its roots opened in `env`, which must
// outlive it.
inline Product OpenedProduct(FakeEnv& env, const std::string& templatesDir = kTemplates) {
    Product product = MakeProduct(templatesDir);
    OpenProduct(env, &product).Ignore();  // a root that cannot be opened holds nothing
    return product;
}

// Registers a version with an InstallDir of `ide` (a Common7\IDE\ folder).
inline void RegisterVersion(FakeEnv& env, VersionIndex index, const std::string& ide) {
    env.SetValue("Software\\Microsoft\\VisualStudio\\" + GetVersionString(index), "InstallDir",
                 ide + '\0');
}

}  // namespace orvane
