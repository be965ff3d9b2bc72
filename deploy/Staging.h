#pragma once

// A version's new content, copied into "Orvane.staging" in its VC folder
// where Visual Studio never looks: the project and item templates, Orvane's
// two wizards with the script layout this version runs, and what else the
// product ships for VCWizards that Visual Studio does not have (or that an
// installation added before).

#include <string>
#include <vector>

#include "deploy/AddedRecord.h"
#include "deploy/FileSystem.h"
#include "deploy/Product.h"
#include "deploy/VcFolder.h"

namespace orvane {

class Staging {
  public:
    Staging(const VcFolder& vc, const AddedRecord& record) : vc_(vc), record_(record) {}

    // Copies all of this version's new content into staging, each file
    // written held in `pending` to be made durable.
    Status Stage(const Product& product, PendingWrites& pending);

    // Once the staged files are durable (and closed): each staged wizard
    // gets the script this version runs, by a rename or a delete inside
    // staging.
    Status ArrangeScripts();

    // Deletes staging, if any.
    Status Discard() const { return vc_.Discard(kStaging); }

    // The entries staged for VCWizards beside Orvane's own.
    const std::vector<std::string>& added() const { return added_; }

  private:
    Status OpenSource(const Product& product, const std::string& from, Folder* source);
    Status StageFolder(const Product& product, const std::string& from, const Folder& parent,
                       const std::string& parentPath, const std::string& name);
    Status CopyFolderAs(const Folder& source, const std::string& from, const Folder& parent,
                        const std::string& parentPath, const std::string& name);
    Status StageWizards(const Product& product, const Folder& wizards,
                        const std::string& wizardsPath);
    Status StageWizardEntry(const Folder& source, const std::string& from, const std::string& name,
                            const Folder& wizards, const std::string& wizardsPath);
    Status OpenNewerScript(const Folder& wizards, const std::string& wizardsPath,
                           const char* wizard, Folder* scripts, Child* script);
    Status UseNewerScripts(const Folder& wizards, const std::string& wizardsPath);
    Status KeepOlderScripts(const Folder& wizards, const std::string& wizardsPath);

    const VcFolder& vc_;
    const AddedRecord& record_;
    PendingWrites* pending_ = nullptr;
    std::vector<std::string> added_;
};

}  // namespace orvane
