#include "tags/tag_library.h"

namespace tn {
// Placeholder until the TagLib-backed library lands.
std::unique_ptr<TagLibrary> make_taglib_library() { return nullptr; }
}  // namespace tn
