// The page's files, served from one directory: only the regular files found
// there when the server starts, by their plain names (no sub-directories, no
// path tricks), with "/" for index.html.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace web {

struct StaticFile {
    std::string contentType;
    std::string body;
};

class StaticFiles {
public:
    // Lists the directory; false when it cannot be read or has no index.html.
    bool load(const std::string& directory, std::string& error);

    // The file for a request path ("/" or "/name"), read afresh so that an
    // edited page shows on reload; nothing for any other path.
    std::optional<StaticFile> find(const std::string& path) const;

private:
    std::string directory_;
    std::map<std::string, std::string> types_;  // file name -> content type
};

}  // namespace web
