// How a stand-in file keeps its meshes. Not part of the vendor's API.
#pragma once

namespace odbapi {

// A row per node and per element (tables node and element), or blocks of many nodes and of
// many elements (node_block and element_block), as bulk data is kept, so that a large mesh
// reads in a few steps instead of one per node. Files of the previous format have rows.
enum class MeshLayout { kRows, kBlocks };

}  // namespace odbapi
