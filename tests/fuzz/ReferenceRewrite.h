#pragma once

// The project line rules written the plain way, over a whole buffer: the
// oracle the streaming rewriter is checked against.

#include <string>

namespace orvane::reference {

inline std::string RewriteProject(const std::string& input, const std::string& includeDir,
                                  const std::string& libraryDir) {
    std::string output;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos) {
            end = input.size();
        }
        std::string line = input.substr(start, end - start);
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();  // CRs ending a line belong to its line end
        }
        const std::string close = line.find("/>") != std::string::npos ? "/>" : "";
        if (line.find("AdditionalIncludeDirectories") != std::string::npos) {
            line = "\tAdditionalIncludeDirectories=\"" + includeDir + "\"" + close;
        } else if (line.find("AdditionalLibraryDirectories") != std::string::npos) {
            line = "\tAdditionalLibraryDirectories=\"" + libraryDir + "\"" + close;
        }
        output += line + "\n";
        start = end + 1;
    }
    return output;
}

}  // namespace orvane::reference
