#pragma once

// A version's switch and removal by renames, and the journal that lets a
// later run finish either: "Orvane.install" (staging renamed, the new
// content complete) or "Orvane.remove", with the old content moved into
// "Orvane.old" until the journal is retired.

#include <array>
#include <string>
#include <vector>

#include "deploy/AddedRecord.h"
#include "deploy/VcFolder.h"

namespace orvane {

// Which journal: an installation's switch, or a removal.
enum class Work { kInstall, kRemove };
// Whose journal: this run's own, or one found on disk, untrusted.
enum class Trust { kLive, kFound };

// The journal's name in the VC folder for `work`.
const char* JournalName(Work work);

class Journal {
  public:
    Journal(const VcFolder& vc, AddedRecord& record) : vc_(vc), record_(record) {}

    // True when Visual Studio's folder `top` holds anything at one of
    // Orvane's names, or at one the record names.
    bool HoldsOrvanes(int top, const Folder& place) const;

    // Makes staging the journal and moves its entries in, `staged` beside
    // Orvane's own, recorded first. The old content stays aside, with the
    // journal, until Settle or PutBack; a switch that fails here is put
    // back at once.
    Status Switch(const std::vector<std::string>& staged);
    // Once every version is switched: the journal and the old content go.
    Status Settle();
    // Another version's switch failed: this one gets its old content back.
    Status PutBack();

    // Finishes the journal of `work`: every staged entry moved into its
    // place (Orvane's own replacing what is there, others only where
    // Visual Studio has nothing), or every entry of Orvane's moved aside;
    // then the journal and the old content are discarded. A live journal
    // that fails is undone, so the version keeps what it had; a found one
    // is untrusted, and only what is itself and Orvane's is moved.
    Status Finish(Work work, Trust trust);

  private:
    // One entry moved: old content moved aside, or new content moved into
    // its place.
    struct Move {
        int top;
        std::string name;
        bool aside;
    };

    Status MoveAll(Work work, Trust trust);
    Status MoveAllIn(const Folder& journal, int top, Trust trust);
    Status MoveIn(int top, const std::string& name, Trust trust);
    Status AddIn(int top, const std::string& name, Child& staged);
    Status MoveAllAside(int top);
    Status MoveAside(int top, const std::string& name);
    Status Undo();
    Status Retire(const char* name);
    // A folder that is renamed must have nothing below it open.
    void CloseAll();
    std::vector<std::string> OrvanesNames(int top) const;

    const VcFolder& vc_;
    AddedRecord& record_;
    // For each of Visual Studio's three folders: its own, the journal's and
    // the old content's; and what moved between them.
    std::array<Folder, kTopCount> places_, journal_, asides_;
    std::vector<Move> moves_;
};

}  // namespace orvane
