// Reads a movie file's atom tree: the top-level atoms by their headers (the media data is never read),
// and the movie atom in full, with its containers parsed into children and its leaves' payloads kept.
// Every size is checked against its parent and the file; what does not fit is reported as a problem and
// not read.
#pragma once

#include "platform/types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct AtomNode {
    OSType type = 0;
    uint64_t offset = 0;          // of the header, in the file
    uint64_t size = 0;            // header included
    uint32_t headerSize = 8;      // 16 for a 64-bit size
    std::vector<uint8_t> payload; // leaves (and non-'mdat' top-level atoms up to 1 MiB)
    std::vector<AtomNode> children;

    /// The index-th child of a type, or null.
    const AtomNode* child(OSType childType, size_t index = 0) const;
    size_t count(OSType childType) const;
    /// A descendant by a path of types: find("mdia/minf/stbl/stsd").
    const AtomNode* find(std::string_view path) const;
};

struct AtomTree {
    uint64_t fileSize = 0;
    std::vector<AtomNode> atoms; // top level, in file order
    std::vector<std::string> problems;

    const AtomNode* topLevel(OSType type) const;
};

/// Opens path for reading if it is a regular file, without blocking on a FIFO or a device, and gives its
/// size. fnfErr or ioErr otherwise, with why in problems (when given).
OSErr OpenRegularFile(const std::string& path, int& fd, uint64_t& size, std::vector<std::string>* problems);

/// Reads the tree of the file at path; fnfErr or ioErr when it cannot be read at all (why is in
/// tree.problems).
OSErr ReadAtomTree(const std::string& path, AtomTree& tree);

/// Parses a movie atom's bytes (as read from the file at fileOffset) into node's children.
void ParseAtomChildren(AtomNode& node, const uint8_t* data, size_t size, uint64_t fileOffset,
                       std::vector<std::string>& problems);
