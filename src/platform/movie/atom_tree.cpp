#include "platform/movie/atom_tree.h"

#include "platform/bigendian.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A movie header beyond 256 MiB (a million frames in as many files) is not plausible; reading one would
// only let a small sparse file claim gigabytes.
constexpr uint64_t kMaxMovieAtomSize = uint64_t(1) << 28;
constexpr uint64_t kMaxOtherPayload = uint64_t(1) << 20;
constexpr int kMaxDepth = 16;
// Top-level atoms kept in the tree; later ones are still walked to find the movie atom.
constexpr size_t kMaxTopLevelAtoms = 1024;
// Nodes parsed from a movie atom: a real one has a few dozen per track. A node costs far more memory
// than its 8 bytes in the file, so a header of empty atoms could otherwise claim gigabytes.
constexpr size_t kMinNodeBudget = 4096;
constexpr size_t kFileBytesPerNode = 128;

bool isContainer(OSType parent, OSType type) {
    switch (type) {
    case FourCC("moov"):
    case FourCC("trak"):
    case FourCC("mdia"):
    case FourCC("minf"):
    case FourCC("dinf"):
    case FourCC("stbl"):
    case FourCC("edts"):
    case FourCC("tref"):
    case FourCC("gmhd"):
    case FourCC("udta"):
        return true;
    case FourCC("tmcd"):
        return parent == FourCC("gmhd"); // elsewhere 'tmcd' is a track reference or a description
    default:
        return false;
    }
}

std::string describe(OSType type) {
    std::string text(1, '\'');
    text += FourCCString(type);
    text += '\'';
    return text;
}

void parseChildren(AtomNode& node, const uint8_t* data, size_t size, uint64_t fileOffset,
                   std::vector<std::string>& problems, int depth, size_t& nodeBudget) {
    if (depth > kMaxDepth) {
        problems.push_back("atoms nested too deeply in " + describe(node.type));
        return;
    }
    size_t pos = 0;
    while (pos + 8 <= size) {
        if (nodeBudget == 0) {
            problems.push_back("too many atoms in " + describe(node.type) + "; the rest was not read");
            return;
        }
        --nodeBudget;
        AtomNode child;
        child.offset = fileOffset + pos;
        child.type = be::readU32(data, pos + 4);
        uint64_t atomSize = be::readU32(data, pos);
        if (atomSize == 1) {
            if (pos + 16 > size) {
                problems.push_back(describe(child.type) + " has a truncated 64-bit size");
                return;
            }
            atomSize = be::readU64(data, pos + 8);
            child.headerSize = 16;
        } else if (atomSize == 0) {
            atomSize = size - pos; // extends to the end of its parent
        }
        if (atomSize < child.headerSize || atomSize > size - pos) {
            problems.push_back(describe(child.type) + " at offset " + std::to_string(child.offset) +
                               " claims " + std::to_string(atomSize) + " bytes; its parent " +
                               describe(node.type) + " has " + std::to_string(size - pos) + " left");
            return;
        }
        child.size = atomSize;
        const uint8_t* body = data + pos + child.headerSize;
        size_t bodySize = size_t(atomSize - child.headerSize);
        if (isContainer(node.type, child.type))
            parseChildren(child, body, bodySize, child.offset + child.headerSize, problems, depth + 1,
                          nodeBudget);
        else
            child.payload.assign(body, body + bodySize);
        node.children.push_back(std::move(child));
        pos += size_t(atomSize);
    }
    // Fewer than 8 bytes left: QuickTime allows a 32-bit zero terminator in containers.
}

bool readAt(int fd, uint64_t offset, void* out, size_t count) {
    auto* p = static_cast<uint8_t*>(out);
    while (count > 0) {
        ssize_t n = pread(fd, p, count, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        offset += uint64_t(n);
        count -= size_t(n);
    }
    return true;
}

/// Reads the top-level atoms' headers through one block, so that a file of many small atoms costs
/// one system call per block rather than per atom.
class HeaderReader {
public:
    explicit HeaderReader(int fd) : m_fd(fd) {}
    bool read(uint64_t offset, uint8_t* out, size_t count) {
        if (offset < m_start || offset + count > m_start + m_length) {
            m_start = offset;
            m_length = 0;
            ssize_t n;
            do
                n = pread(m_fd, m_block, sizeof m_block, off_t(offset));
            while (n < 0 && errno == EINTR);
            if (n < ssize_t(count))
                return false;
            m_length = size_t(n);
        }
        std::memcpy(out, m_block + (offset - m_start), count);
        return true;
    }

private:
    int m_fd;
    uint64_t m_start = 0;
    size_t m_length = 0;
    uint8_t m_block[64 * 1024];
};

} // namespace

OSErr OpenRegularFile(const std::string& path, int& fd, uint64_t& size, std::vector<std::string>* problems) {
    // Without blocking: a FIFO or a device must be refused, not waited on. Only a regular file is read,
    // and only within the size fstat gives.
    fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (problems)
            problems->push_back(path + ": " +
                                (error == ELOOP    ? std::string("symbolic link loop")
                                 : error == ENOENT ? std::string("no such file")
                                                   : std::string(std::strerror(error))));
        return error == ENOENT || error == ENOTDIR ? fnfErr : ioErr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        fd = -1;
        if (problems)
            problems->push_back(path + ": not a regular file");
        return ioErr;
    }
    size = uint64_t(info.st_size);
    return noErr;
}

const AtomNode* AtomNode::child(OSType childType, size_t index) const {
    for (const AtomNode& c : children)
        if (c.type == childType && index-- == 0)
            return &c;
    return nullptr;
}

size_t AtomNode::count(OSType childType) const {
    size_t n = 0;
    for (const AtomNode& c : children)
        n += c.type == childType;
    return n;
}

const AtomNode* AtomNode::find(std::string_view path) const {
    const AtomNode* node = this;
    while (node && !path.empty()) {
        if (path.size() < 4)
            return nullptr;
        OSType type = (OSType(uint8_t(path[0])) << 24) | (OSType(uint8_t(path[1])) << 16) |
                      (OSType(uint8_t(path[2])) << 8) | OSType(uint8_t(path[3]));
        node = node->child(type);
        path.remove_prefix(4);
        if (!path.empty() && path.front() == '/')
            path.remove_prefix(1);
    }
    return node;
}

const AtomNode* AtomTree::topLevel(OSType type) const {
    for (const AtomNode& atom : atoms)
        if (atom.type == type)
            return &atom;
    return nullptr;
}

void ParseAtomChildren(AtomNode& node, const uint8_t* data, size_t size, uint64_t fileOffset,
                       std::vector<std::string>& problems) {
    size_t nodeBudget = kMinNodeBudget + size / kFileBytesPerNode;
    parseChildren(node, data, size, fileOffset, problems, 0, nodeBudget);
}

OSErr ReadAtomTree(const std::string& path, AtomTree& tree) {
    tree = AtomTree{};
    int fd = -1;
    if (OSErr err = OpenRegularFile(path, fd, tree.fileSize, &tree.problems); err != noErr)
        return err;
    HeaderReader headers(fd);
    uint64_t pos = 0;
    size_t unkept = 0;
    while (pos + 8 <= tree.fileSize) {
        uint8_t header[16];
        if (!headers.read(pos, header, 8)) {
            close(fd);
            return ioErr;
        }
        AtomNode atom;
        atom.offset = pos;
        atom.type = be::readU32(header, 4);
        uint64_t atomSize = be::readU32(header, 0);
        if (atomSize == 1) {
            if (pos + 16 > tree.fileSize || !headers.read(pos + 8, header + 8, 8)) {
                tree.problems.push_back(describe(atom.type) + " has a truncated 64-bit size");
                break;
            }
            atomSize = be::readU64(header, 8);
            atom.headerSize = 16;
        } else if (atomSize == 0) {
            atomSize = tree.fileSize - pos;
        }
        if (atomSize < atom.headerSize || atomSize > tree.fileSize - pos) {
            tree.problems.push_back(describe(atom.type) + " at offset " + std::to_string(pos) + " claims " +
                                    std::to_string(atomSize) + " bytes; the file has " +
                                    std::to_string(tree.fileSize - pos) + " from there");
            break;
        }
        atom.size = atomSize;
        uint64_t bodySize = atomSize - atom.headerSize;
        uint64_t bodyOffset = pos + atom.headerSize;
        if (atom.type == FourCC("moov")) {
            if (bodySize > kMaxMovieAtomSize) {
                tree.problems.push_back("'moov' of " + std::to_string(atomSize) +
                                        " bytes is too large to read");
            } else {
                std::vector<uint8_t> body;
                try {
                    body.resize(static_cast<size_t>(bodySize));
                } catch (const std::bad_alloc&) {
                    close(fd);
                    return memFullErr;
                }
                if (!readAt(fd, bodyOffset, body.data(), body.size())) {
                    close(fd);
                    return ioErr;
                }
                ParseAtomChildren(atom, body.data(), body.size(), bodyOffset, tree.problems);
            }
        } else if (tree.atoms.size() >= kMaxTopLevelAtoms) {
            ++unkept;
            pos += atomSize;
            continue;
        } else if (atom.type != FourCC("mdat") && bodySize <= kMaxOtherPayload) {
            atom.payload.resize(size_t(bodySize));
            if (!readAt(fd, bodyOffset, atom.payload.data(), atom.payload.size())) {
                close(fd);
                return ioErr;
            }
        }
        tree.atoms.push_back(std::move(atom));
        pos += atomSize;
    }
    close(fd);
    if (unkept > 0)
        tree.problems.push_back(std::to_string(unkept) + " more top-level atoms than the " +
                                std::to_string(kMaxTopLevelAtoms) + " a movie file can plausibly hold");
    return noErr;
}
