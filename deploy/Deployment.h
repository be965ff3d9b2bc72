#pragma once

// Copying the templates and wizards into every installed Visual Studio, and
// deleting them again, each Visual Studio whole or untouched.
//
// Orvane's own names in a VC folder are vcprojects\TessaloomsMFC,
// vcprojectitems\TessaloomsMFC, VCWizards\TessaloomsWiz and
// VCWizards\TessaloomsTemplateWiz. Nothing Visual Studio reads is written in
// place: an installation first copies every version's new content aside
// into "Orvane.staging" in its VC folder, all of it made durable in one
// pass, and only when every version has all of it does it switch each
// version over by renames.
// "Orvane.staging" is renamed to "Orvane.install", which says the new content
// is complete; each old entry is then moved into "Orvane.old" and the new
// one into its place, and the old content is deleted last. A removal makes
// "Orvane.remove" and moves Orvane's entries into "Orvane.old" the same way.
// Those names are the journal: a run that finds them puts the version back
// whole before it does its own work (staging and old content go, a switch
// or a removal that was under way is finished).
//
// The VC folder is opened by the path the registry gives; everything below
// it is opened from its parent's handle and decided on its own handle. A
// link at vcprojects, vcprojectitems or VCWizards keeps that version from
// being served; a link met below is removed itself where the system
// allows that, and is otherwise left in place and reported. Each step
// without its effect is told to the caller (Env::Tell) with the version,
// the folder and the reason.

#include <string>
#include <vector>

#include "deploy/Product.h"
#include "deploy/VisualStudio.h"
#include "platform/Env.h"

namespace orvane {

// An installed Visual Studio: its version, and its VC folder as the
// registry names it.
struct Installation {
    VersionIndex index = 0;
    std::string vcDir;
    // Lower versions registered at this very VC folder: served with it, once,
    // with this version's templates.
    std::vector<VersionIndex> sharing;
    // The VC folder's identity (Entry::Identity), where it could be opened.
    std::string identity;
};

// A version whose registration is there but could not be read, and why.
struct Unreadable {
    VersionIndex index = 0;
    Status why;
};

// Every supported version that is registered and has its VC folder, in
// order; the registry is read once for each. A version whose location
// cannot be read (a key refused, a location the code page cannot hold
// exactly) is not among them: it goes to *unreadable.
std::vector<Installation> FindInstallations(Env& env, std::vector<Unreadable>* unreadable);

// Puts an installation back whole after a run that was killed or could not
// finish, from what is on disk alone: a switch or removal under way is
// finished, staging and old content are discarded. False, told to the
// caller, when it could not: that installation is then not to be served by
// this run. What was set aside and cannot be deleted is told, and stays
// where Visual Studio does not look.
bool RecoverVersion(Env& env, const Installation& installation);

// Installs the product's templates into every installation: all staged
// first; if any staging fails, all of it is discarded and every version
// keeps what it had. Then each version is switched over; one whose switch
// fails is put back as it was. True only when every version got all of it.
bool InstallAllVersions(Env& env, const Product& product,
                        const std::vector<Installation>& installations);

// Removes Orvane's own four entries from every installation. True only
// when every one of them went.
bool RemoveAllVersions(Env& env, const std::vector<Installation>& installations);

}  // namespace orvane
