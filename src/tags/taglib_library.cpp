// NOTE TO THE ENGINEER REPLACING THIS PLACEHOLDER: before writing any code,
// read /tmp/rules.md — the project's binding rules (no mention of the
// specification in code/comments/tests/commits, no existing implementation,
// test share, shared-checkout workflow). Remove this note when you replace
// the file.
#include "tags/tag_library.h"

namespace tn {
// Placeholder until the TagLib-backed library lands.
std::unique_ptr<TagLibrary> make_taglib_library() { return nullptr; }
}  // namespace tn
