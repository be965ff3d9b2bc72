#include "deploy/AddedRecord.h"

#include <algorithm>

#include "deploy/FileSystem.h"

namespace orvane {
namespace {

const char* const kAddedKey = "Software\\Orvane";

Status RecordFailed(const char* what, const Status& status) {
    return Failed(std::string("the record of what installations added here (HKLM\\") + kAddedKey +
                      ") cannot be " + what + ": " + status.reason(),
                  status);
}

}  // namespace

std::string RecordText(const std::vector<Added>& added) {
    std::string text;
    for (const Added& entry : added) {
        text += text.empty() ? "" : "|";
        text += entry.pending == Added::kAdding     ? "*"
                : entry.pending == Added::kDropping ? "?"
                                                    : "";
        text += entry.name;
    }
    return text;
}

std::vector<Added> ParseRecord(const std::string& text) {
    std::vector<Added> added;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('|', start), text.size());
        std::string name = text.substr(start, end - start);
        const Added::Pending pending = name.empty()     ? Added::kNone
                                       : name[0] == '*' ? Added::kAdding
                                       : name[0] == '?' ? Added::kDropping
                                                        : Added::kNone;
        if (pending != Added::kNone) {
            name.erase(0, 1);
        }
        if (!name.empty() && name != "." && name != ".." &&
            name.find_first_of("*?\\/:") == std::string::npos) {
            added.push_back({name, pending});
        }
        start = end + 1;
    }
    return added;
}

Status AddedRecord::Load() {
    Key key;
    std::string text;
    Status status = vc_.env().OpenKey(kAddedKey, &key);
    if (status.ok()) {
        status = key.Read(vc_.Version(), &text);
    }
    if (!status.ok() && !status.IsNotFound()) {
        return RecordFailed("read", status);
    }
    // The text ends at its first zero, as a string value's does.
    added_ = ParseRecord(text.substr(0, text.find('\0')));
    return Status();
}

Status AddedRecord::Write(const std::vector<Added>& added) {
    const std::string text = RecordText(added);
    if (text == RecordText(added_)) {
        return Status();
    }
    const Status status = vc_.env().WriteValue(kAddedKey, vc_.Version(), text);
    if (!status.ok()) {
        return RecordFailed("written", status);
    }
    added_ = added;
    return status;
}

bool AddedRecord::Holds(const std::string& name, Added::Pending pending) const {
    return std::any_of(added_.begin(), added_.end(), [&](const Added& entry) {
        return entry.pending == pending && IsSameNameCaseless(entry.name, name);
    });
}

std::vector<std::string> AddedRecord::Names() const {
    std::vector<std::string> names;
    for (const Added& entry : added_) {
        names.push_back(entry.name);
    }
    return names;
}

std::vector<Added> AddedRecord::Pending(const std::vector<std::string>& staged) const {
    std::vector<Added> pending;
    for (const std::string& name : staged) {
        pending.push_back({name, Holds(name, Added::kNone) ? Added::kNone : Added::kAdding});
    }
    for (const Added& entry : added_) {
        if (std::none_of(staged.begin(), staged.end(), [&](const std::string& name) {
                return IsSameNameCaseless(name, entry.name);
            })) {
            pending.push_back({entry.name, Added::kDropping});
        }
    }
    return pending;
}

std::vector<Added> AddedRecord::Switched(const Folder& wizards) const {
    std::vector<Added> settled;
    for (const Added& entry : added_) {
        Child left;
        const bool moved =
            entry.pending != Added::kAdding ||
            (wizards.IsOpen() && wizards.OpenChild(entry.name, Access::kLook, &left).ok() &&
             left.kind == EntryKind::kMissing);
        if (entry.pending != Added::kDropping && moved) {
            settled.push_back({entry.name, Added::kNone});
        }
    }
    return settled;
}

std::vector<Added> AddedRecord::Unswitched() const {
    std::vector<Added> before;
    for (const Added& entry : added_) {
        if (entry.pending != Added::kAdding) {
            before.push_back({entry.name, Added::kNone});
        }
    }
    return before;
}

}  // namespace orvane
