#pragma once

// The entries of a version's VCWizards that installations added beside
// Orvane's own, where Visual Studio had nothing: recorded in the registry,
// one value per version, since only administrators may write there, while
// anything in a VC folder is untrusted and a record found there would let
// whoever planted it steer what an elevated removal deletes.

#include <string>
#include <vector>

#include "deploy/VcFolder.h"

namespace orvane {

// One recorded entry. While a switch is pending, an entry it adds anew is
// marked so, and one it takes away (the product no longer ships it) so.
struct Added {
    enum Pending { kNone, kAdding, kDropping };
    std::string name;
    Pending pending;
};

// The record's text: names joined by "|", marked by a leading "*" (adding)
// or "?" (dropping); no Windows name holds any of the three. What is no
// single name is left out when it is read.
std::string RecordText(const std::vector<Added>& added);
std::vector<Added> ParseRecord(const std::string& text);

class AddedRecord {
  public:
    explicit AddedRecord(const VcFolder& vc) : vc_(vc) {}

    // Reads this version's record.
    Status Load();
    // Records `added` as this version's, where it differs from the record.
    Status Write(const std::vector<Added>& added);

    bool Holds(const std::string& name, Added::Pending pending) const;
    // Every name recorded, whatever its mark.
    std::vector<std::string> Names() const;
    const std::vector<Added>& entries() const { return added_; }

    // The record while a switch of the entries `staged` beside Orvane's
    // own is pending: each of them, added anew where it is not recorded,
    // and each recorded one not among them, dropping.
    std::vector<Added> Pending(const std::vector<std::string>& staged) const;
    // The record once the journal's moves are all done: an entry added
    // anew counts only where it left the journal's `wizards` (where Visual
    // Studio had something of its own, it stayed there); a dropping one is
    // gone.
    std::vector<Added> Switched(const Folder& wizards) const;
    // The record as it was before a switch that never happened, or was
    // put back.
    std::vector<Added> Unswitched() const;

  private:
    const VcFolder& vc_;
    std::vector<Added> added_;
};

}  // namespace orvane
