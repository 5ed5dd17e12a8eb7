#include "gsruntime/GSString.h"

#include <algorithm>
#include <string>

#include "gsruntime/GSContext.h"
#include "gsruntime/GSScriptMemoryAccount.h"
#include "gsruntime/GSScriptMemoryBudget.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/GSTrackedObjectRegistry.h"

namespace GSRuntime {

namespace {

// The room of an empty text, held inside the object: asked of the library
// once (not every compiler takes capacity() as a constant expression), and
// in a function, so that texts made during static initialisation see it.
uint64_t InlineRoom() {
    static const uint64_t room = std::string().capacity();
    return room;
}

// Clamps a range against a length: a negative start means 0; a negative
// end, or one past the length, the length.
void Clamp(int32_t& start, int32_t& end, std::size_t length) {
    const int64_t size = static_cast<int64_t>(length);
    if (start < 0) start = 0;
    if (end < 0 || end > size) end = static_cast<int32_t>(size);
}

}  // namespace

GSString::GSString() : GSObjectReference(kGSRefString) { Track(GSCurrentContext()); }

GSString::GSString(GSContext* context, const char* text) : GSObjectReference(kGSRefString), Vek::String(text) {
    Track(context);
}

GSString::GSString(GSContext* context, const char* text, std::size_t length)
    : GSObjectReference(kGSRefString), Vek::String(text, length) {
    Track(context);
}

GSString::GSString(GSContext* context, const Vek::String& text) : GSObjectReference(kGSRefString), Vek::String(text) {
    Track(context);
}

GSString::GSString(GSContext* context, const Vek::PString& text)
    : GSObjectReference(kGSRefString), Vek::String(text.c_str(), text.Length()) {
    Track(context);
}

GSString::GSString(const GSString* other) : GSObjectReference(kGSRefString) {
    if (other) m_text = other->m_text;
    Track(GSCurrentContext());
}

void GSString::Track(GSContext* context) {
    m_charged = std::max<uint64_t>(m_text.capacity(), InlineRoom());
    if (m_charged > InlineRoom()) {
        m_account = GSScriptMemoryAccount::Of(context);
        if (m_account) m_account->AddReference();
        GSScriptMemoryBudget::Force(m_account, m_charged - InlineRoom());
    }
    m_instance.header.count = 1;
    m_instance.header.owner = this;
    GSTrackedObjectRegistry::Register(context ? &context->Registry() : nullptr, &m_instance.header);
}

GSString::~GSString() {
    GSTrackedObjectRegistry::Unregister(&m_instance.header);
    if (m_charged > InlineRoom()) GSScriptMemoryBudget::Give(m_account, m_charged - InlineRoom());
    if (m_account) m_account->ReleaseReference();
}

bool GSString::Charge(uint64_t length) {
    // A text that outgrows its room gets the larger of the length and twice
    // the room it had.
    const uint64_t room = std::max<uint64_t>(length, 2 * uint64_t(m_text.capacity()));
    if (room <= m_charged) return true;
    if (!m_account) {
        m_account = GSScriptMemoryAccount::Of(GSTrackedObjectRegistry::GetContext(&m_instance.header));
        if (m_account) m_account->AddReference();
    }
    if (!GSScriptMemoryBudget::Take(m_account, room - m_charged)) return false;
    m_charged = room;
    return true;
}

GSString* GSString::FromReference(GSDataRef reference) {
    GSObjectReference* owner = GSScriptInstance::OwnerOf(reference);
    return owner && owner->GetType() == kGSRefString ? static_cast<GSString*>(owner) : nullptr;
}

bool GSString::CopyRange(const GSString* source, int32_t end, int32_t start, GSString* destination) {
    if (!source || !destination) return false;
    Clamp(start, end, source->Length());
    if (end < start || !destination->Room(uint64_t(end - start))) return false;
    GSChargeWork(2 * uint64_t(end - start));
    if (source->IsEmpty()) {
        destination->m_text.clear();
    } else {
        // A copy first: the destination may be the source.
        std::string part = source->m_text.substr(std::size_t(start), std::size_t(end - start));
        destination->m_text.swap(part);
    }
    return true;
}

bool GSString::Splice(int32_t start, int32_t end, const GSString* source) {
    Clamp(start, end, Length());
    if (end < start) return false;
    const uint64_t insertedLength = source ? source->Length() : 0;
    const uint64_t tailLength = Length() - std::size_t(end);
    const uint64_t newLength = IsEmpty() ? insertedLength : uint64_t(start) + insertedLength + tailLength;
    if (!Room(newLength)) return false;
    GSChargeWork(2 * newLength);
    const std::string inserted = source ? source->m_text : std::string();
    if (IsEmpty()) {
        m_text = inserted;
        return true;
    }
    std::string text = m_text.substr(0, std::size_t(start));
    text += inserted;
    text += m_text.substr(std::size_t(end));
    m_text.swap(text);
    return true;
}

bool GSString::SetByte(int32_t index, int32_t value) {
    if (index < 0) return false;
    const char byte = static_cast<char>(static_cast<uint8_t>(value));
    const int64_t length = static_cast<int64_t>(m_text.size());
    if (index < length) {
        m_text[std::size_t(index)] = byte;
        return true;
    }
    if (int64_t(index) + 1 > kMaxLength || !Room(uint64_t(index) + 1)) return false;
    GSChargeWork(uint64_t(index - length) + 1);
    m_text.append(std::size_t(index - length), ' ');
    m_text += byte;
    return true;
}

}  // namespace GSRuntime
