// QT atom containers: a tree of typed, numbered atoms kept in one relocatable block.
//
// Layout of the block (all numbers big-endian), as the movie toolbox keeps it:
//
//   offset 0   10 bytes  reserved, 0
//   offset 10   2 bytes  lock count, 0
//   offset 12  the root atom 'sean', ID 1, whose children form the container's first level
//
// Every atom has a 20-byte header: size (4, header included), type (4), ID (4), reserved (2),
// child count (2), reserved (4). An atom with children holds only its children after the header;
// an atom without children (a leaf) holds its data there. A QTAtom names an atom by the byte
// offset of its header in the block; 0 (kParentAtomIsContainer) names the root. Inserting an atom
// moves every atom that lies after it, so offsets taken before an insertion must be found again.
//
// The reading calls check every size against the block, so a damaged container (say, from a
// misbehaving component) yields "not found" or a status, never a read outside the block.
#pragma once

#include "platform/memory.h"
#include "platform/types.h"

#include <cstdint>

using QTAtomContainer = Handle;
using QTAtom = int32_t; // byte offset of an atom's header in its container; 0 is the root
using QTAtomType = OSType;
using QTAtomID = int32_t;

constexpr QTAtom kParentAtomIsContainer = 0;

constexpr OSErr cannotFindAtomErr = -2101;         // no atom of that type, ID or index
constexpr OSErr notLeafAtomErr = -2102;            // data asked of an atom that has children
constexpr OSErr atomIndexInvalidErr = -2104;       // insertion index beyond the atoms of that type
constexpr OSErr duplicateAtomTypeAndIDErr = -2105; // a sibling already has that type and ID
constexpr OSErr invalidAtomErr = -2106;            // the QTAtom does not name an atom of the container
constexpr OSErr invalidAtomContainerErr = -2107;   // null or damaged container
constexpr OSErr invalidAtomTypeErr = -2108;        // atom type 0

/// A new container holding only its root. The caller disposes of it (QTDisposeAtomContainer).
OSErr QTNewAtomContainer(QTAtomContainer* atomData);
OSErr QTDisposeAtomContainer(QTAtomContainer atomData);

/// Inserts a child of `parentAtom`. `id` 0 picks an ID unused among the siblings of that type;
/// `index` is the new atom's 1-based position among the siblings of its type, 0 to append.
/// `data` may be null only when `dataSize` is 0 (a childless atom that can take children later).
/// `newAtom` (may be null) receives the new atom.
OSErr QTInsertChild(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, QTAtomID id,
                    int16_t index, long dataSize, const void* data, QTAtom* newAtom);

/// Children of `parentAtom` of that type; type 0 counts every child. 0 on any error.
int16_t QTCountChildrenOfType(QTAtomContainer container, QTAtom parentAtom, QTAtomType childType);

/// The `index`-th (from 1) child of that type, its ID into `id` (may be null); 0 when there is none.
QTAtom QTFindChildByIndex(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, int16_t index,
                          QTAtomID* id);

/// The child of that type and ID, its 1-based index among its type into `index` (may be null);
/// 0 when there is none.
QTAtom QTFindChildByID(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, QTAtomID id,
                       int16_t* index);

/// The child after `currentChild` (0: the first child), of any type; 0 after the last one.
QTAtom QTNextChildAnyType(QTAtomContainer container, QTAtom parentAtom, QTAtom currentChild);

/// Type and ID of an atom (either out-parameter may be null).
OSErr QTGetAtomTypeAndID(QTAtomContainer container, QTAtom atom, QTAtomType* atomType, QTAtomID* id);

/// Pointer to a leaf atom's data inside the block and the data's size. The pointer stays valid until
/// the container is changed or disposed of.
OSErr QTGetAtomDataPtr(QTAtomContainer container, QTAtom atom, long* dataSize, Ptr* atomData);

/// Copies a leaf atom's data into the caller's buffer of `size` bytes. The data must be exactly
/// `size` bytes, or, with `sizeOrLessOK`, at most `size` bytes; data that would not fit is never
/// truncated (paramErr). `actualSize` (may be null) receives the bytes copied.
OSErr QTCopyAtomDataToPtr(QTAtomContainer container, QTAtom atom, bool sizeOrLessOK, long size,
                          void* returnedDataPtr, long* actualSize);
