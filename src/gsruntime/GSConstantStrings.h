#pragma once
// GSConstantStrings: what a library keeps per entry of its string table for
// the code that runs on it: the message type id of the name (for waits and
// for the message natives) and, made on first use, one string object with
// the text.
//
// The string object belongs to no context and is held by the table (its
// count stays above 0 while the table holds it). The interpreter lends it
// only to natives that read their string arguments during the call and
// neither keep nor change them (GSNativeFunction::BorrowsStringArguments):
// every other use of a string constant makes a new string of the current
// context, as the instruction that pushes it says. The reference a lent
// constant takes is counted like any other, so a constant the table no
// longer holds (a frame still has it) goes with its last count.
//
// The string objects live on the script-object heap, which every context's
// end must leave as it found it: when a context ends, every table gives its
// string objects up (ReleaseAllStrings), and they are made again when next
// lent. The type-id memos stay.
//
// Tables, like the script machine, belong to the one thread that runs
// scripts.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "gsruntime/GSTypeIdMemo.h"

namespace GSRuntime {

class GSString;

class GSConstantStrings {
public:
    explicit GSConstantStrings(uint32_t count);
    // Gives up the string objects.
    ~GSConstantStrings();
    GSConstantStrings(const GSConstantStrings&) = delete;
    GSConstantStrings& operator=(const GSConstantStrings&) = delete;

    uint32_t Count() const { return m_count; }
    // The memo of entry i (below Count).
    GSTypeIdMemo& Memo(uint32_t index) { return m_memos[index]; }
    // The string object of entry i (below Count) with `length` bytes at
    // `text`, made now when the table does not hold one; null when it
    // cannot be made.
    GSString* String(uint32_t index, const char* text, std::size_t length) {
        GSString* string = m_strings[index];
        return string ? string : Make(index, text, length);
    }
    // How many string objects the table holds.
    uint32_t StringsHeld() const { return m_held; }

    // Every table gives up its string objects (a context ends).
    static void ReleaseAllStrings();

private:
    GSString* Make(uint32_t index, const char* text, std::size_t length);
    // Releases the table's count of each string object it holds; the memos
    // stay. A string released here no longer reaches its memo.
    void ReleaseStrings();

    uint32_t m_count;
    uint32_t m_held = 0;
    std::unique_ptr<GSTypeIdMemo[]> m_memos;
    std::unique_ptr<GSString*[]> m_strings;
    // Every table, for ReleaseAllStrings.
    GSConstantStrings* m_previous = nullptr;
    GSConstantStrings* m_next = nullptr;
    static inline GSConstantStrings* s_first = nullptr;
};

}  // namespace GSRuntime
