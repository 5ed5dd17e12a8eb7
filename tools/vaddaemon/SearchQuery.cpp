#include "vaddaemon/SearchQuery.h"

#include <sqlite3.h>

#include <cstring>

#include "assetdb/filters/VADFilterElementAssetID.h"
#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/filters/VADFilterElementInt.h"
#include "assetdb/filters/VADFilterElementString.h"
#include "assetdb/filters/VADFilterElementTimestamp.h"
#include "vaddaemon/AssetCodes.h"

namespace {

const char kTrue[] = "1";
const char kFalse[] = "0";

// A higher installed version of the same user and content id, or another
// installed asset whose obsolete list names the user and content id.
const char kObsolete[] =
    "(EXISTS(SELECT 1 FROM assets h WHERE h.user_id=a.user_id AND h.content_id=a.content_id"
    " AND h.version>a.version AND h.installed<>0)"
    " OR EXISTS(SELECT 1 FROM asset_links o JOIN assets s"
    " ON s.user_id=o.user_id AND s.content_id=o.content_id AND s.version=o.version"
    " WHERE o.kind=1 AND o.target_user=a.user_id AND o.target_content=a.content_id AND s.installed<>0"
    " AND NOT (s.user_id=a.user_id AND s.content_id=a.content_id AND s.version=a.version)))";

// A dependency that no installed version satisfies: not the KUID itself,
// not a version at or above it, and for a two-part KUID no version at all.
const char kMissingDependencies[] =
    "EXISTS(SELECT 1 FROM asset_links d WHERE d.user_id=a.user_id AND d.content_id=a.content_id"
    " AND d.version=a.version AND d.kind=0"
    " AND NOT EXISTS(SELECT 1 FROM assets i WHERE i.user_id=d.target_user AND i.content_id=d.target_content"
    " AND i.installed<>0 AND (i.version>=d.target_version"
    " OR (d.target_version=0 AND d.target_user>=0) OR (d.target_version=127 AND d.target_user<0))))";

// One code that every match must have, taken from a condition that all
// matches must meet: the query then reads the matches from that code's
// range of asset_codes, in the store's order, instead of every asset.
struct DrivingCode {
    const VADFilterElement* element = nullptr;
    AssetCodeKind kind = AssetCodeKind::kCategoryClass;
    std::string code;
};

class Builder {
public:
    Builder(SearchQuery& query, const DrivingCode& driving) : m_query(query), m_driving(driving) {}

    std::string Element(const VADFilterElement& element);
    // The driving code's lookup (before any other value).
    std::string DrivingLookup() {
        return "c.kind=" + std::to_string(static_cast<int>(m_driving.kind)) + " AND c.code=" + Parameter(m_driving.code);
    }

private:
    std::string Parameter(const std::string& text) {
        SearchQuery::Value value;
        value.isText = true;
        value.text = text;
        m_query.values.push_back(std::move(value));
        return "?" + std::to_string(m_query.values.size());
    }
    std::string Parameter(int64_t number) {
        SearchQuery::Value value;
        value.number = number;
        m_query.values.push_back(std::move(value));
        return "?" + std::to_string(m_query.values.size());
    }
    template <typename Element>
    std::string RangeOf(const Element& element, const char* column) {
        return std::string("(") + column + (element.IsMinimumInclusive() ? ">=" : ">") +
               Parameter(static_cast<int64_t>(element.GetMinimum())) + " AND " + column +
               (element.IsMaximumInclusive() ? "<=" : "<") + Parameter(static_cast<int64_t>(element.GetMaximum())) +
               ")";
    }
    // The asset has the code in the list of that kind. The driving code
    // of the driving element holds already.
    std::string HasCode(AssetCodeKind kind, const std::string& code) {
        if (m_current == m_driving.element && kind == m_driving.kind && code == m_driving.code && !m_drivingTaken) {
            m_drivingTaken = true;
            return kTrue;
        }
        return "(a.user_id, a.content_id, a.version) IN (SELECT user_id, content_id, version FROM asset_codes"
               " WHERE kind=" +
               std::to_string(static_cast<int>(kind)) + " AND code=" + Parameter(code) + ")";
    }
    std::string Group(const VADFilterElementGroup& group);
    // Joins terms with the operator, nested in halves so that a long list
    // stays shallow for SQLite's parser.
    std::string Join(const std::vector<std::string>& terms, std::size_t begin, std::size_t end, const char* op);
    std::string Bool(const VADFilterElementBool& element);
    std::string String(const VADFilterElementString& element);
    std::string CategoryPattern(const std::string& pattern);
    std::string Int(const VADFilterElementInt& element);
    std::string AssetIds(const VADFilterElementAssetID& element);

    SearchQuery& m_query;
    const DrivingCode& m_driving;
    const VADFilterElement* m_current = nullptr;
    bool m_drivingTaken = false;
};

template <typename Element, typename Value>
bool InRange(const Element& element, Value value) {
    const bool aboveMinimum =
        element.IsMinimumInclusive() ? value >= element.GetMinimum() : value > element.GetMinimum();
    const bool belowMaximum =
        element.IsMaximumInclusive() ? value <= element.GetMaximum() : value < element.GetMaximum();
    return aboveMinimum && belowMaximum;
}

std::string Builder::Element(const VADFilterElement& element) {
    m_current = &element;
    switch (element.GetTag()) {
        case kFilterTagGroup:
            return Group(static_cast<const VADFilterElementGroup&>(element));
        case kFilterTagBool:
            return Bool(static_cast<const VADFilterElementBool&>(element));
        case kFilterTagString:
            return String(static_cast<const VADFilterElementString&>(element));
        case kFilterTagInt:
            return Int(static_cast<const VADFilterElementInt&>(element));
        case kFilterTagTimestamp:
            // No timestamps are kept: every asset counts as 0.
            return InRange(static_cast<const VADFilterElementTimestamp&>(element), int64_t{0}) ? kTrue : kFalse;
        case kFilterTagAssetID:
            return AssetIds(static_cast<const VADFilterElementAssetID&>(element));
        default:
            return kFalse;
    }
}

std::string Builder::Join(const std::vector<std::string>& terms, std::size_t begin, std::size_t end,
                          const char* op) {
    if (end - begin == 1) return terms[begin];
    const std::size_t middle = begin + (end - begin) / 2;
    return "(" + Join(terms, begin, middle, op) + op + Join(terms, middle, end, op) + ")";
}

std::string Builder::Group(const VADFilterElementGroup& group) {
    std::string result = kTrue;
    if (group.ChildCount() > 0) {
        std::vector<std::string> terms;
        terms.reserve(group.ChildCount());
        for (std::size_t i = 0; i < group.ChildCount(); ++i) {
            const VADFilterElement* child = group.Child(i);
            terms.push_back(child ? Element(*child) : kFalse);
        }
        result = Join(terms, 0, terms.size(), group.IsMatchAll() ? " AND " : " OR ");
    }
    return group.IsNegated() ? "(NOT " + result + ")" : result;
}

std::string Builder::Bool(const VADFilterElementBool& element) {
    switch (element.GetField()) {
        case VADFilterElementBool::kLocal:
        case VADFilterElementBool::kLocallyAvailable:
            return "(a.installed<>0)";
        case VADFilterElementBool::kLocallyEnabled:
            return "(a.installed<>0 AND a.faulty=0)";
        case VADFilterElementBool::kListingPrivilege:
        case VADFilterElementBool::kCommitPrivilege:
        case VADFilterElementBool::kCompatible:
            return kTrue;
        case VADFilterElementBool::kObsolete:
            return kObsolete;
        case VADFilterElementBool::kUpToDate:
            return std::string("(NOT ") + kObsolete + ")";
        case VADFilterElementBool::kLocallyModified:
            return "(a.modified<>0)";
        case VADFilterElementBool::kValidName:
            return "(a.name<>'')";
        case VADFilterElementBool::kOpenForEdit:
            return "(a.editing<>0)";
        case VADFilterElementBool::kHasMissingDependencies:
            return kMissingDependencies;
        case VADFilterElementBool::kFaulty:
            return "(a.faulty<>0)";
        default:
            return kFalse;
    }
}

std::string Builder::String(const VADFilterElementString& element) {
    const std::string value = element.GetValue().c_str();
    if (value.empty()) return kTrue;
    AssetCodeKind kind = AssetCodeKind::kEra;
    switch (element.GetField()) {
        case VADFilterElementString::kAssetName:
            if (element.IsQuoted()) return "(a.name=" + Parameter(value) + " COLLATE NOCASE)";
            return "vx_name_contains(a.name, " + Parameter(FoldedText(value)) + ")";
        case VADFilterElementString::kCategoryList:
            return CategoryPattern(value);
        case VADFilterElementString::kEraList:
            kind = AssetCodeKind::kEra;
            break;
        case VADFilterElementString::kKeywordList:
            kind = AssetCodeKind::kKeyword;
            break;
        case VADFilterElementString::kRegionList:
            kind = AssetCodeKind::kRegion;
            break;
        default:
            return kFalse;
    }
    // Every code of the value is among the asset's codes.
    std::vector<std::string> terms;
    for (const std::string& code : ListCodes(value)) terms.push_back(HasCode(kind, code));
    return terms.empty() ? kTrue : Join(terms, 0, terms.size(), " AND ");
}

// A pattern is alternatives separated by '|', any one of which must hold;
// an empty one holds, and a '|' at the very end adds none. An alternative
// is codes separated by ';' (repeats passed over after the first code),
// all of which must hold: a code holds when the asset's class list has it,
// each leading '-' inverting that; a code with no text holds when it was
// inverted an odd number of times.
std::string Builder::CategoryPattern(const std::string& pattern) {
    const char* p = pattern.c_str();
    std::vector<std::string> alternatives;
    for (;;) {
        if (*p == '|' || *p == '\0') {
            // An empty alternative (the pattern is not empty, so an empty
            // one at the end follows a '|' and was dropped above).
            alternatives.push_back(kTrue);
        } else {
            std::vector<std::string> terms;
            for (;;) {
                bool inverted = false;
                while (*p == '-') {
                    inverted = !inverted;
                    ++p;
                }
                const std::size_t length = std::strcspn(p, ";|");
                if (length == 0)
                    terms.push_back(inverted ? kTrue : kFalse);
                else {
                    const std::string has = HasCode(AssetCodeKind::kCategoryClass, std::string(p, length));
                    terms.push_back(inverted ? "(NOT " + has + ")" : has);
                }
                p += length;
                while (*p == ';') ++p;
                if (*p == '\0' || *p == '|') break;
            }
            alternatives.push_back(Join(terms, 0, terms.size(), " AND "));
        }
        while (*p != '\0' && *p != '|') ++p;
        if (*p == '\0') break;
        ++p;
        if (*p == '\0') break;
    }
    return Join(alternatives, 0, alternatives.size(), " OR ");
}

std::string Builder::Int(const VADFilterElementInt& element) {
    switch (element.GetField()) {
        case VADFilterElementInt::kAuthor:
            return RangeOf(element, "a.user_id");
        case VADFilterElementInt::kVersion:
            return RangeOf(element, "a.version");
        case VADFilterElementInt::kLocalRating:
            // No rating is kept: every asset counts as 0.
            return InRange(element, 0) ? kTrue : kFalse;
        default:
            return kFalse;
    }
}

std::string Builder::AssetIds(const VADFilterElementAssetID& element) {
    if (element.GetField() != VADFilterElementAssetID::kAssetID || element.GetKUIDs().empty()) return kFalse;
    std::string list = "((a.user_id, a.content_id, a.version) IN (VALUES";
    bool first = true;
    for (const KUID& kuid : element.GetKUIDs()) {
        list += first ? "(" : ",(";
        first = false;
        list += std::to_string(kuid.GetUserID()) + "," + std::to_string(kuid.GetContentID()) + "," +
                std::to_string(kuid.GetVersion()) + ")";
    }
    return list + "))";
}

// vx_name_contains(name, folded value): the name, folded to lower-case
// ASCII, holds the value.
void NameContains(sqlite3_context* context, int, sqlite3_value** values) {
    const unsigned char* name = sqlite3_value_text(values[0]);
    const int nameSize = sqlite3_value_bytes(values[0]);
    const unsigned char* wanted = sqlite3_value_text(values[1]);
    const int wantedSize = sqlite3_value_bytes(values[1]);
    if (!name || !wanted) {
        sqlite3_result_int(context, 0);
        return;
    }
    std::string folded = FoldedText(std::string(reinterpret_cast<const char*>(name), static_cast<std::size_t>(nameSize)));
    const bool found =
        folded.find(reinterpret_cast<const char*>(wanted), 0, static_cast<std::size_t>(wantedSize)) != std::string::npos;
    sqlite3_result_int(context, found ? 1 : 0);
}

// The conditions every match must meet: the element itself, or the
// children of a group that needs all of them, and so on down.
void Conjuncts(const VADFilterElement& element, std::vector<const VADFilterElement*>& conjuncts) {
    if (element.GetTag() == kFilterTagGroup) {
        const auto& group = static_cast<const VADFilterElementGroup&>(element);
        if (group.IsMatchAll() && !group.IsNegated()) {
            for (std::size_t i = 0; i < group.ChildCount(); ++i)
                if (group.Child(i)) Conjuncts(*group.Child(i), conjuncts);
            return;
        }
    }
    conjuncts.push_back(&element);
}

// The first code that a conjunct requires: a code of an era, keyword or
// region list, or a plain code of a category pattern without alternatives.
// None when a conjunct asks for a name or an author, which the assets
// table's own indexes serve better.
DrivingCode FindDrivingCode(const VADFilterElement& filter) {
    std::vector<const VADFilterElement*> conjuncts;
    Conjuncts(filter, conjuncts);
    DrivingCode driving;
    for (const VADFilterElement* element : conjuncts) {
        if (element->GetTag() == kFilterTagInt &&
            static_cast<const VADFilterElementInt*>(element)->GetField() == VADFilterElementInt::kAuthor)
            return DrivingCode();
        if (element->GetTag() != kFilterTagString) continue;
        const auto& words = static_cast<const VADFilterElementString&>(*element);
        const std::string value = words.GetValue().c_str();
        if (value.empty()) continue;
        if (words.GetField() == VADFilterElementString::kAssetName) {
            if (words.IsQuoted()) return DrivingCode();
            continue;
        }
        if (driving.element) continue;
        if (words.GetField() == VADFilterElementString::kCategoryList) {
            if (value.find('|') != std::string::npos) continue;
            // The first code with an even number of leading '-' and a text.
            const char* p = value.c_str();
            while (*p != '\0') {
                bool inverted = false;
                while (*p == '-') {
                    inverted = !inverted;
                    ++p;
                }
                const std::size_t length = std::strcspn(p, ";");
                if (!inverted && length > 0) {
                    driving = DrivingCode{element, AssetCodeKind::kCategoryClass, std::string(p, length)};
                    break;
                }
                p += length;
                while (*p == ';') ++p;
            }
            continue;
        }
        AssetCodeKind kind;
        switch (words.GetField()) {
            case VADFilterElementString::kEraList:
                kind = AssetCodeKind::kEra;
                break;
            case VADFilterElementString::kKeywordList:
                kind = AssetCodeKind::kKeyword;
                break;
            case VADFilterElementString::kRegionList:
                kind = AssetCodeKind::kRegion;
                break;
            default:
                continue;
        }
        const std::vector<std::string> codes = ListCodes(value);
        if (!codes.empty()) driving = DrivingCode{element, kind, codes.front()};
    }
    return driving;
}

}  // namespace

SearchQuery BuildSearchQuery(const VADFilterElement& filter) {
    SearchQuery query;
    const DrivingCode driving = FindDrivingCode(filter);
    Builder builder(query, driving);
    if (!driving.element) {
        const std::string condition = builder.Element(filter);
        query.sql = "SELECT a.user_id, a.content_id, a.version FROM assets a WHERE " + condition +
                    " ORDER BY a.user_id, a.content_id, a.version";
        return query;
    }
    const std::string lookup = builder.DrivingLookup();
    const std::string condition = builder.Element(filter);
    query.sql = "SELECT c.user_id, c.content_id, c.version FROM asset_codes c";
    if (condition != kTrue)
        query.sql += " CROSS JOIN assets a ON a.user_id=c.user_id AND a.content_id=c.content_id AND a.version=c.version";
    query.sql += " WHERE " + lookup;
    if (condition != kTrue) query.sql += " AND " + condition;
    query.sql += " ORDER BY c.user_id, c.content_id, c.version";
    return query;
}

bool RegisterSearchFunctions(sqlite3* db) {
    return sqlite3_create_function_v2(db, "vx_name_contains", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      NameContains, nullptr, nullptr, nullptr) == SQLITE_OK;
}
