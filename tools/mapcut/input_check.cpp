#include "input_check.h"

#include "platform/system/private_files.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cpl_minixml.h>
#include <cpl_port.h>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace mapcut {

namespace {

constexpr int kMaxNesting = 8;
const char kHint[] = "; give --allow-local-references if you trust it";

std::string realFolderOf(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(platform::FolderOf(path).c_str(), resolved) != nullptr ? resolved : "";
}

bool isInside(const std::string& path, const std::string& folder) {
    char resolved[PATH_MAX];
    if (folder.empty() || realpath(path.c_str(), resolved) == nullptr) {
        return false;
    }
    const std::string real = resolved;
    return real.compare(0, folder.size(), folder) == 0 &&
           (real.size() == folder.size() || real[folder.size()] == '/' || folder == "/");
}

// GDAL's names for what is no plain file: /vsicurl/..., /vsizip/...,
// MEM:::..., NETCDF:"file":var and the like.
bool isSpecialName(const std::string& name) {
    if (name.compare(0, 4, "/vsi") == 0) {
        return true;
    }
    std::size_t i = 0;
    while (i < name.size() &&
           (std::isalnum(static_cast<unsigned char>(name[i])) || name[i] == '_')) {
        ++i;
    }
    return i >= 2 && i < name.size() && name[i] == ':';
}

bool looksLikeVrt(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[1024] = {};
    in.read(head, sizeof head - 1);
    return std::strstr(head, "<VRTDataset") != nullptr;
}

using XmlTree = std::unique_ptr<CPLXMLNode, decltype(&CPLDestroyXMLNode)>;

class VrtWalker {
public:
    VrtWalker(const std::string& root, const InputPolicy& policy, std::string* error)
        : root_(root), policy_(policy), error_(error) {}

    bool walkFile(const std::string& vrt, int depth) {
        if (depth > kMaxNesting) {
            return fail(vrt + ": VRTs nested more than " + std::to_string(kMaxNesting) + " deep");
        }
        XmlTree tree(CPLParseXMLFile(vrt.c_str()), &CPLDestroyXMLNode);
        // What is no XML is left to GDAL, which says so itself.
        return tree == nullptr || walkNodes(vrt, tree.get(), depth);
    }

private:
    bool walkNodes(const std::string& vrt, const CPLXMLNode* node, int depth) {
        for (; node != nullptr; node = node->psNext) {
            if (node->eType != CXT_Element) {
                continue;
            }
            if (EQUAL(node->pszValue, "VRTRasterBand") &&
                EQUAL(CPLGetXMLValue(node, "subClass", ""), "VRTRawRasterBand") &&
                !policy_.allowLocalReferences) {
                return fail(vrt + ": a band reads the file " +
                            CPLGetXMLValue(node, "SourceFilename", "?") + " byte for byte" + kHint);
            }
            if ((EQUAL(node->pszValue, "SourceFilename") ||
                 EQUAL(node->pszValue, "SourceDataset")) &&
                !checkReference(vrt, node, depth)) {
                return false;
            }
            if (!walkNodes(vrt, node->psChild, depth)) {
                return false;
            }
        }
        return true;
    }

    bool checkReference(const std::string& vrt, const CPLXMLNode* node, int depth) {
        const std::string name = CPLGetXMLValue(node, nullptr, "");
        const bool relative = std::atoi(CPLGetXMLValue(node, "relativeToVRT", "0")) != 0;
        const std::string path = relative && !name.empty() && name[0] != '/'
                                     ? platform::FolderOf(vrt) + "/" + name
                                     : name;
        const std::string refers = vrt + ": refers to " + name;
        if (isSpecialName(name)) {
            return policy_.allowLocalReferences ||
                   fail(refers + ", which is no local file" + kHint);
        }
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            return fail(refers + ", which cannot be opened (" + std::strerror(errno) + ")");
        }
        if (!S_ISREG(st.st_mode)) {
            return fail(refers + ", which is not a regular file");
        }
        if (!policy_.allowLocalReferences && !isInside(path, root_)) {
            return fail(refers + ", outside the folder " + root_ + kHint);
        }
        return !looksLikeVrt(path) || walkFile(path, depth + 1);
    }

    bool fail(const std::string& text) {
        *error_ = text;
        return false;
    }

    const std::string root_;
    const InputPolicy& policy_;
    std::string* error_;
};

std::string stemOf(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// IMAGE.aux.xml, IMAGE.ovr, IMAGE.pgw, IMAGE.prj...: GDAL opens what it
// finds beside an image under its name.
bool checkSiblings(const std::string& image, std::string* error) {
    const std::string folder = platform::FolderOf(image), stem = stemOf(image);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return true;
    }
    bool ok = true;
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, stem.c_str(), stem.size()) != 0) {
            continue;
        }
        const std::string path = folder + "/" + entry->d_name;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            *error = path + ": not a regular file (GDAL would read it with " + image + ")";
            ok = false;
            break;
        }
    }
    closedir(dir);
    return ok;
}

} // namespace

bool CheckInputReferences(const std::string& image, const InputPolicy& policy, std::string* error) {
    if (!checkSiblings(image, error)) {
        return false;
    }
    VrtWalker walker(realFolderOf(image), policy, error);
    return !looksLikeVrt(image) || walker.walkFile(image, 0);
}

bool CheckDatasetFiles(const std::string& image, char** files, const InputPolicy& policy,
                       std::string* error) {
    const std::string root = realFolderOf(image);
    for (char** file = files; file != nullptr && *file != nullptr; ++file) {
        const std::string name = *file;
        struct stat st {};
        if (isSpecialName(name)) {
            if (!policy.allowLocalReferences) {
                *error = image + ": is read from " + name + ", which is no local file" + kHint;
                return false;
            }
        } else if (::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            *error = image + ": is read from " + name + ", which is not a regular file";
            return false;
        } else if (!policy.allowLocalReferences && !isInside(name, root)) {
            *error = image + ": is read from " + name + ", outside the folder " + root + kHint;
            return false;
        }
    }
    return true;
}

} // namespace mapcut
