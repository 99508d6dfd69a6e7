// Ten text comments that the TIFF writer puts into every directory.
#include <algorithm>
#include <cstring>

#include "core/memory.h"
#include "io/options.h"

namespace {

constexpr unsigned kComments = 10;

struct Comment {
    unsigned char* text = nullptr;
    unsigned length = 0;
};

Comment g_comments[kComments];

}  // namespace

CommentEntry GetCommentEntry(unsigned index) {
    if (index >= kComments) return {nullptr, 0};
    return {g_comments[index].text, g_comments[index].length};
}

extern "C" int KAPI K_SetComment(unsigned index, const void* text, unsigned length) {
    if (index >= kComments) return K_ERR_ARGUMENT;
    Comment& c = g_comments[index];
    FreeGlobalLocked(c.text);
    c = Comment{};
    if (!text) return static_cast<int>(length);
    // Padded to an even size so the writer can write the padded text from it.
    // A length whose round-up wraps is an allocation that cannot be made.
    if (length > 0x7FFFFFF0u) return K_ERR_MEMORY;
    size_t padded = (static_cast<size_t>(length) + 1) & ~static_cast<size_t>(1);
    auto* copy = static_cast<unsigned char*>(AllocGlobalLockedExt(padded ? padded : 2, 1));
    if (!copy) return K_ERR_MEMORY;
    std::memcpy(copy, text, length);
    c.text = copy;
    c.length = length;
    return static_cast<int>(length);
}

extern "C" int KAPI K_GetComment(unsigned index, void* buffer, unsigned size) {
    if (index >= kComments) return K_ERR_ARGUMENT;
    const Comment& c = g_comments[index];
    if (buffer && c.length) std::memcpy(buffer, c.text, std::min(size, c.length));
    return static_cast<int>(c.length);
}
