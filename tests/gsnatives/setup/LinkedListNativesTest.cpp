// The LinkedList natives run from a script over arrays of LinkedData
// entries, after the set-up has registered them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gsnatives/InitializeScriptSystem.h"
#include "gsnatives/LinkedListNatives.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/router/GSGameObject.h"
#include "gsruntime/router/GSRouter.h"
#include "gsruntime/support/GSTestSupport.h"

namespace {

using namespace GSRuntime;

const char* const kProbe = R"(include "LinkedList.gs"
include "Soup.gs"

class Probe isclass GameObject
{
	LinkedData[] list;
	GSObject shared;

	public void Reset(void) { list = new LinkedData[0]; shared = new GSObject(); }
	public void Add(string key, int value, int withObject, bool unique)
	{
		LinkedData item = new LinkedData();
		item.key = key;
		item.value = value;
		if (withObject == 1) item.obj = shared;
		if (withObject == 2) item.obj = new GSObject();
		LinkedList.AddInternal(list, item, unique);
	}
	public void AddNullKey(bool unique) { LinkedList.AddInternal(list, new LinkedData(), unique); }
	public void AddNull(void) { LinkedList.AddInternal(list, null, true); }
	public void AddElement(int i, bool unique) { LinkedList.AddInternal(list, list[i], unique); }
	public void AddNullElement(void) { list[list.size()] = null; }
	public void Sort(void) { LinkedList.SortInternal(list); }
	public void SortNothing(void) { LinkedList.SortInternal(null); }
	public int Count(void) { return list.size(); }
	public string Keys(void)
	{
		string text = "";
		int i;
		for (i = 0; i < list.size(); ++i)
		{
			if (list[i]) text = text + list[i].key + list[i].value;
			else text = text + "-";
			text = text + " ";
		}
		return text;
	}
	public LinkedData Item(int i) { return list[i]; }
	public LinkedData[] List(void) { return list; }
	// Only its frame is used: the natives are run on it from the test.
	public void Frame(GSObject[] list, GSObject item, bool unique) { }
};

class Other
{
	public int key;
	public int value;
	public int obj;
};
)";

class LinkedListNatives : public ::testing::Test {
protected:
    void SetUp() override {
        libraries.AddSource("probe.gs", kProbe);
        ASSERT_EQ(libraries.CompileAll(), "");
        ASSERT_TRUE(GSNatives::InitializeScriptSystem());
        GSLibrary* library = GSMachine::Instance()->GetLibraryByName("probe.gsl");
        ASSERT_NE(library, nullptr);
        context = new GSContext(true, false);
        probe = new GSGameObject();
        ASSERT_TRUE(probe->BindClass(library->FindClass("Probe"), context));
        context->GetRouter()->AddNode(probe);
        ASSERT_TRUE(Call("$void@Probe::Reset()"));
    }
    void TearDown() override { delete context; }

    bool Call(const char* signature, std::initializer_list<uint32_t> arguments = {}, uint32_t* result = nullptr) {
        GSScriptInstance* header = GSScriptInstance::FromReference(probe->GetReference());
        return CallScriptFunction(context, probe->GetClass(), header, signature, result, arguments);
    }
    uint32_t Text(const char* text) {
        auto* string = new GSString(context, text);
        strings.push_back(string->GetReference());
        return string->GetReference();
    }
    void Add(const char* key, int value, int withObject, bool unique) {
        ASSERT_TRUE(Call("$void@Probe::Add(string,int,int,bool)",
                         {Text(key), static_cast<uint32_t>(value), static_cast<uint32_t>(withObject), unique}));
    }
    std::string Keys() {
        uint32_t result = 0;
        if (!Call("$string@Probe::Keys()", {}, &result)) return "call failed";
        const GSString* text = GSString::FromReference(result);
        return text ? text->c_str() : "null";
    }
    int32_t ItemCount(int index) {
        uint32_t result = 0;
        if (!Call("$LinkedData@Probe::Item(int)", {static_cast<uint32_t>(index)}, &result) || !result) return -1;
        // The count the returned value holds is given back first.
        const int32_t count = GSScriptInstance::FromReference(result)->count - 1;
        GSScriptInstance::ReleaseReference(result);
        return count;
    }

    // Runs a LinkedList native on a frame holding `list`, `item` and
    // `unique` as its arguments (the frame gets counts of its own), as code
    // that does not keep to the declared types would call it.
    void RunNative(void (*native)(GSContext*, GSStack*), uint32_t list, uint32_t item, bool unique) {
        uint32_t offset = 0;
        int32_t slot = 0;
        int32_t index = -1;
        GSClass* owner =
            probe->GetClass()->FindFunction("$void@Probe::Frame(GSObject[],GSObject,bool)", offset, slot, index);
        ASSERT_NE(owner, nullptr);
        GSStack stack;
        for (uint32_t reference : {probe->GetReference(), list, item}) {
            if (reference) GSScriptInstance::AddRef(reference);
            stack.Push(reference);
        }
        stack.Push(unique ? 1u : 0u);
        ASSERT_TRUE(stack.PushFrame(owner->GetFunction(static_cast<uint32_t>(index)), 0));
        native(context, &stack);
        stack.Clear();
    }

    static bool HasLine(const std::string& text) {
        for (const std::string& line : GSTest::LogCapture::Lines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    GSNativesTest::ShippedLibraries libraries;
    GSTest::LogCapture log;
    GSContext* context = nullptr;
    GSGameObject* probe = nullptr;
    std::vector<uint32_t> strings;
};

TEST_F(LinkedListNatives, SortOrdersByKeyAndLeavesShortListsAlone) {
    ASSERT_TRUE(Call("$void@Probe::Sort()"));
    EXPECT_EQ(Keys(), "");
    Add("b", 1, 0, false);
    ASSERT_TRUE(Call("$void@Probe::Sort()"));
    EXPECT_EQ(Keys(), "b1 ");

    struct Case {
        std::vector<std::pair<const char*, int>> items;
        const char* sorted;
    };
    const Case cases[] = {
        {{{"b", 1}, {"a", 2}, {"b", 3}}, "a2 b1 b3 "},
        {{{"b", 1}, {"b", 2}, {"a", 3}}, "a3 b2 b1 "},  // equal keys need not keep their order
        {{{"c", 1}, {"b", 2}, {"a", 3}}, "a3 b2 c1 "},
        {{{"B", 1}, {"a", 2}, {"", 3}}, "3 B1 a2 "},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Call("$void@Probe::Reset()"));
        for (const auto& item : c.items) Add(item.first, item.second, 0, false);
        ASSERT_TRUE(Call("$void@Probe::Sort()"));
        EXPECT_EQ(Keys(), c.sorted);
    }
}

// The sort gives exactly what the selection sort gives, also where equal
// keys end in another order than they had: a table of random lists with
// few distinct keys (empty and null keys among them) against a reference
// selection sort.
TEST_F(LinkedListNatives, SortGivesTheSelectionSortsOrder) {
    struct Item {
        std::string key;  // "" also for a null key (value 0)
        int value;
    };
    const auto selectionSort = [](std::vector<Item> items) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            std::size_t smallest = i;
            for (std::size_t j = i + 1; j < items.size(); ++j)
                if (std::strcmp(items[j].key.c_str(), items[smallest].key.c_str()) < 0) smallest = j;
            if (smallest != i) std::swap(items[i], items[smallest]);
        }
        return items;
    };
    const char* const alphabet[] = {"", "a", "b", "ab", "B", "ba", "a\x7f", "\xe9"};
    struct Case {
        int length;
        int distinctKeys;
        uint32_t seed;
    };
    const Case cases[] = {{2, 2, 1}, {3, 2, 2},  {7, 2, 3},   {16, 3, 4},   {33, 4, 5},
                          {64, 8, 6}, {65, 1, 7}, {200, 5, 8}, {500, 8, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length << ", seed " << c.seed);
        ASSERT_TRUE(Call("$void@Probe::Reset()"));
        std::vector<Item> items;
        uint32_t state = c.seed;
        const auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16; };
        for (int i = 0; i < c.length; ++i) {
            const uint32_t pick = next() % (c.distinctKeys + 1);
            if (pick == static_cast<uint32_t>(c.distinctKeys)) {
                ASSERT_TRUE(Call("$void@Probe::AddNullKey(bool)", {0}));
                items.push_back({"", 0});
            } else {
                Add(alphabet[pick], i + 1, 0, false);
                items.push_back({alphabet[pick], i + 1});
            }
        }
        ASSERT_TRUE(Call("$void@Probe::Sort()"));
        std::string expected;
        for (const Item& item : selectionSort(items)) expected += item.key + std::to_string(item.value) + " ";
        EXPECT_EQ(Keys(), expected);
    }
}

TEST_F(LinkedListNatives, ANullEntryOrKeySortsAsTheEmptyText) {
    Add("b", 1, 0, false);
    ASSERT_TRUE(Call("$void@Probe::AddNullElement()"));
    ASSERT_TRUE(Call("$void@Probe::AddNullKey(bool)", {0}));
    ASSERT_TRUE(Call("$void@Probe::Sort()"));
    EXPECT_EQ(Keys(), "- 0 b1 ");
}

TEST_F(LinkedListNatives, AddAppendsAndUniqueSkipsAnEqualEntry) {
    struct Case {
        const char* key;
        int value;
        int withObject;  // 0 none, 1 the shared object, 2 a new object
        bool unique;
        const char* keys;
    };
    // Starting from one entry ("a", 1, the shared object).
    const Case cases[] = {
        {"a", 1, 1, true, "a1 "},       // equal in every member: skipped
        {"a", 1, 1, false, "a1 a1 "},   // appended without unique
        {"a", 2, 1, true, "a1 a2 "},    // another number
        {"b", 1, 1, true, "a1 b1 "},    // another key
        {"A", 1, 1, true, "a1 A1 "},    // keys compare with case
        {"a", 1, 0, true, "a1 a1 "},    // no object against the shared one
        {"a", 1, 2, true, "a1 a1 "},    // another object
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Call("$void@Probe::Reset()"));
        Add("a", 1, 1, false);
        Add(c.key, c.value, c.withObject, c.unique);
        EXPECT_EQ(Keys(), c.keys) << c.key << c.value << c.withObject << c.unique;
    }
}

TEST_F(LinkedListNatives, TheArrayHoldsACountOfItsOwnOnlyForAnAddedItem) {
    Add("a", 1, 0, false);
    const int32_t once = ItemCount(0);
    ASSERT_GT(once, 0);
    ASSERT_TRUE(Call("$void@Probe::AddElement(int,bool)", {0, 1}));
    EXPECT_EQ(Keys(), "a1 ");
    EXPECT_EQ(ItemCount(0), once);
    ASSERT_TRUE(Call("$void@Probe::AddElement(int,bool)", {0, 0}));
    EXPECT_EQ(Keys(), "a1 a1 ");
    EXPECT_EQ(ItemCount(0), once + 1);
}

TEST_F(LinkedListNatives, ANullItemOrListChangesNothing) {
    Add("a", 1, 0, false);
    ASSERT_TRUE(Call("$void@Probe::AddNull()"));
    EXPECT_EQ(Keys(), "a1 ");
    EXPECT_FALSE(HasLine("null object at parameter 1"));
    Call("$void@Probe::SortNothing()");
    EXPECT_TRUE(HasLine("null object at parameter 1"));
}

// The natives read an entry's members by position: an array of numbers or
// an object of another class is no list and no entry, whatever the caller's
// code declared.
TEST_F(LinkedListNatives, AnArrayOfNumbersOrAnObjectOfAnotherClassIsNoEntry) {
    Add("b", 2, 0, false);
    uint32_t list = 0;
    uint32_t entry = 0;
    ASSERT_TRUE(Call("$LinkedData[]@Probe::List()", {}, &list));
    ASSERT_TRUE(Call("$LinkedData@Probe::Item(int)", {0}, &entry));
    GSArray* numbers = new GSArray(context, false);
    ASSERT_TRUE(numbers->SetElementValue(0, 123456));
    ASSERT_TRUE(numbers->SetElementValue(1, 7));
    GSObject* other = new GSObject();
    ASSERT_TRUE(other->BindClass(GSMachine::Instance()->GetLibraryByName("probe.gsl")->FindClass("Other"), context));
    // Its "key" is a number where an entry keeps its key text.
    GSScriptInstance::StoreSlot(other->GetReference(), 2, 123456);
    const int32_t entryCount = GSScriptInstance::FromReference(entry)->count;

    struct Case {
        const char* name;
        void (*native)(GSContext*, GSStack*);
        uint32_t list;
        uint32_t item;
        bool unique;
    };
    const Case cases[] = {
        {"numbers sorted", &GSNatives::LinkedListSortInternal, numbers->GetReference(), 0, false},
        {"an entry added to numbers", &GSNatives::LinkedListAddInternal, numbers->GetReference(), entry, false},
        {"another class added", &GSNatives::LinkedListAddInternal, list, other->GetReference(), false},
        {"another class added once", &GSNatives::LinkedListAddInternal, list, other->GetReference(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunNative(c.native, c.list, c.item, c.unique);
        EXPECT_EQ(Keys(), "b2 ");
        EXPECT_EQ(numbers->GetCount(), 2);
        uint32_t value = 0;
        EXPECT_TRUE(numbers->GetElementValue(0, value));
        EXPECT_EQ(value, 123456u);
        EXPECT_EQ(GSScriptInstance::FromReference(entry)->count, entryCount);
    }
    GSScriptInstance::ReleaseReference(numbers->GetReference());
    GSScriptInstance::ReleaseReference(other->GetReference());
    GSScriptInstance::ReleaseReference(entry);
    GSScriptInstance::ReleaseReference(list);
}

// An entry of another, unshared context is not added: the list would keep
// it after that context ended.
TEST_F(LinkedListNatives, AnEntryOfAnotherContextIsNotAdded) {
    Add("b", 2, 0, false);
    uint32_t list = 0;
    ASSERT_TRUE(Call("$LinkedData[]@Probe::List()", {}, &list));
    GSContext* other = new GSContext(false, false);
    GSObject* entry = new GSObject();
    ASSERT_TRUE(entry->BindClass(GSMachine::Instance()->GetLibraryByName("LinkedData.gsl")->FindClass("LinkedData"),
                                 other));
    RunNative(&GSNatives::LinkedListAddInternal, list, entry->GetReference(), false);
    EXPECT_EQ(Keys(), "b2 ");
    EXPECT_EQ(GSScriptInstance::FromReference(entry->GetReference())->count, 1);
    delete other;
    EXPECT_EQ(Keys(), "b2 ");
    GSScriptInstance::ReleaseReference(list);
}

}  // namespace
