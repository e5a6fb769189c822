#include "static_files.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace web {

namespace {

const char* contentTypeOf(const std::string& extension) {
    if (extension == ".html") return "text/html; charset=utf-8";
    if (extension == ".css") return "text/css; charset=utf-8";
    if (extension == ".js") return "text/javascript; charset=utf-8";
    if (extension == ".png") return "image/png";
    if (extension == ".svg") return "image/svg+xml";
    if (extension == ".ico") return "image/x-icon";
    return nullptr;
}

}  // namespace

bool StaticFiles::load(const std::string& directory, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code failure;
    fs::directory_iterator entries(directory, failure);
    if (failure) {
        error = "cannot read the page directory " + directory + ": " + failure.message();
        return false;
    }
    directory_ = directory;
    for (const fs::directory_entry& entry : entries) {
        if (!entry.is_regular_file()) continue;
        const fs::path& path = entry.path();
        if (const char* type = contentTypeOf(path.extension().string())) types_[path.filename().string()] = type;
    }
    if (types_.count("index.html") == 0) {
        error = "the page directory " + directory + " has no index.html";
        return false;
    }
    return true;
}

std::optional<StaticFile> StaticFiles::find(const std::string& path) const {
    const std::string name = path == "/" ? "index.html" : path.substr(1);
    const auto found = path.empty() || path[0] != '/' ? types_.end() : types_.find(name);
    if (found == types_.end()) return std::nullopt;
    std::ifstream in(directory_ + "/" + name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream body;
    body << in.rdbuf();
    return StaticFile{found->second, body.str()};
}

}  // namespace web
