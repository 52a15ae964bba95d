#pragma once

#include <cstdint>

namespace velmorra {

class TXMLNodeList;
class TXMLTextStream;

// Children of one element from this many on are written by WriteChildrenInChunks.
inline constexpr int32_t kChunkedChildrenFrom = 8192;
// The children of a chunk.
inline constexpr int32_t kChildrenPerChunk = 2048;

// Writes `children` into `stream` exactly as their WriteNode calls one after the other would, but
// on two threads: the children are cut into chunks of `children_per_chunk`, each chunk is written
// apart into memory, and the chunks are handed to `stream` in document order as they are done.
// Only a few chunks are held at a time. The tree must not change meanwhile (a save only reads it).
// The first failure in document order is raised after the bytes before it have been handed over;
// the chunks after it are not written. Needs a stream for which ConvertsWithoutPlatform holds.
void WriteChildrenInChunks(const TXMLNodeList& children, TXMLTextStream& stream,
                           int32_t children_per_chunk = kChildrenPerChunk);

}  // namespace velmorra
