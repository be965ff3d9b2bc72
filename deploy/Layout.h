#pragma once

// The product's layout, and where its entries go in Visual Studio: every
// folder and file name that customisation, deployment and the run's checks
// share.

namespace orvane {

// Below the templates folder, for each version ("9.0\VCPlusPlus\..."): the
// project templates and the item templates.
inline constexpr const char* kVersionTemplates = "VCPlusPlus";
inline constexpr const char* kProjectTemplates = "TessaloomProjectMFC";
inline constexpr const char* kItemTemplates = "TessaloomsMFC";

// Below the templates folder, for every version: the wizards.
inline constexpr const char* kWizardsSource = "Templates\\VCPlusPlus";
inline constexpr const char* kWizardFolders[] = {"TessaloomsWiz", "TessaloomsTemplateWiz"};
// Each wizard's scripts folder, as its two names below the wizard, and its
// two scripts: the one Visual Studio 7.x runs, and the one shipped for 8.0
// and later.
inline constexpr const char* kScriptFolders[] = {"scripts", "1033"};
inline constexpr const char* kOlderScript = "default.js";
inline constexpr const char* kNewerScript = "default05.js";

// In Visual Studio's vcprojects and vcprojectitems, both template folders
// go by one name.
inline constexpr const char* kTemplateFolder = "TessaloomsMFC";

// Below the product root: the sample projects, and the folders they are
// pointed at.
inline constexpr const char* kSamplesFolder = "Samples";
inline constexpr const char* kIncludeFolder = "Include";
inline constexpr const char* kLibFolder = "Lib";

}  // namespace orvane
