#pragma once

#include <cstddef>
#include <string>

namespace orvane {

// `line` with every control character (bytes 0 to 31 and 127) written as
// "\xNN", so that a name holding a line break or an escape sequence cannot
// start a line of its own, or steer a terminal, in whatever reads it.
std::string EscapeControls(const std::string& line);

// What of a run's lines its caller is told. A caller may read its pipe only
// once the run has ended, and a pipe may hold no more than 4 KB, so the
// caller is told at most kMaxLines lines and kMaxBytes bytes in all, each
// line escaped and at most kMaxLineBytes long (a longer one loses its
// middle). Once that is spent every further line is held back; at the end
// the caller reads how many were, and the last of them, which says how the
// run ended. The log holds every line, whole.
class CallerLines {
  public:
    static constexpr int kMaxLines = 38;
    static constexpr std::size_t kMaxBytes = 3000;
    static constexpr std::size_t kMaxLineBytes = 400;

    // The text to write for `line`, CR LF included, or "" when it is held
    // back.
    std::string Admit(const std::string& line);

    // What to write once the run has ended: nothing when no line was held
    // back; else a line that says how many more are in the log at
    // `logPath`, and the last line held back.
    std::string Closing(const std::string& logPath) const;

  private:
    static std::string Shown(const std::string& line);

    int lines_ = 0;
    std::size_t bytes_ = 0;
    int heldBack_ = 0;
    std::string last_;
};

}  // namespace orvane
