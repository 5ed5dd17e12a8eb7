#include "assetdb/archives/CdpAssetEntry.h"

#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/Stream.h"

namespace {

// The signature of one container of the files tree.
ContentSignature SignatureOfContainer(const ChunkRef& container) {
    ContentSignature total;
    if (!container) return total;
    const int32_t count = container->Count();
    Vek::PString name;
    ChunkRef child;
    for (int32_t i = 0; i < count; ++i) {
        if (!container->GetChildAt(i, name, child)) continue;
        ContentSignature part;
        switch (child->GetKind()) {
            case ACSKind::kRaw:
                part = ContentSignature::OfBlock(child->GetData(), static_cast<std::size_t>(child->GetSize()));
                break;
            case ACSKind::kContainer:
                part = SignatureOfContainer(child);
                break;
            default:
                continue;
        }
        // An empty part adds nothing; adding it would turn an empty total
        // into {1, 0}.
        if (part.checksum != 0 || part.size != 0) total.Add(part);
    }
    return total;
}

}  // namespace

CdpAssetEntry::CdpAssetEntry() {
    m_soup.SetString("compression", "LZSS");
}

SoupHandle CdpAssetEntry::GetFiles() const {
    return m_soup.GetContainer("files");
}

Vek::PString CdpAssetEntry::GetCompression() const {
    return m_soup.GetString("compression");
}

KUID CdpAssetEntry::GetKUID() const {
    return m_soup.GetKUID("kuid", KUID::Null());
}

bool CdpAssetEntry::HasValidKUID() const {
    return m_soup.HasTag("kuid") && !GetKUID().IsNull();
}

bool CdpAssetEntry::ReadBinary(TStream& stream) {
    ReadBinarySoup(m_soup, stream);
    if (m_soup.IsEmpty()) m_soup.Clear();
    return true;
}

bool CdpAssetEntry::WriteBinary(TStream& stream) const {
    WriteBinarySoup(stream, m_soup);
    return !stream.HasError();
}

ContentSignature CdpAssetEntry::ComputeSignature() const {
    return SignatureOfContainer(GetFiles().GetRoot());
}

void CdpAssetEntry::SetSignature() {
    m_soup.SetString("dsid", ComputeSignature().ToText().c_str());
}

bool CdpAssetEntry::CheckSignature() const {
    if (!m_soup.HasTag("dsid")) return false;
    return m_soup.GetString("dsid") == ComputeSignature().ToText();
}
