#include "settings/hashedlist.h"
#include "settings/unicode.h"
#include "settings/wstrings.h"

#include "settings_test_util.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Strings = std::vector<std::u16string>;

std::string ErrorOf(const std::function<void()>& Action) {
    try {
        Action();
    } catch (const EStringListError& e) {
        return e.what();
    }
    return "(no EStringListError)";
}

TEST(TextSplitting, LineBreakForms) {
    struct Case {
        std::u16string Text;
        Strings Expected;
    };
    const Case cases[] = {
        {u"", {}},
        {u"one\r\ntwo", {u"one", u"two"}},
        {u"one\n\rtwo", {u"one", u"", u"two"}},
        {u"one\rtwo\nthree", {u"one", u"two", u"three"}},
        {u"one\r\n", {u"one"}},
        {u"one\r\n\r\n", {u"one", u""}},
        {u"\r\n", {u""}},
        {u"\r\r", {u"", u""}},
        {std::u16string(u"one\r\ntw\0o\r\nthree", 16), {u"one", u"tw"}},
    };
    for (const Case& c : cases) {
        TWStringList list;
        list.SetTextStr(c.Text);
        EXPECT_EQ(Lines(list), c.Expected) << U8(c.Text);
    }
}

TEST(TextSplitting, TextEndsEveryLineWithCrLf) {
    TWStringList list;
    EXPECT_EQ(list.GetTextStr(), u"");
    list.Add(u"a");
    list.Add(u"");
    list.Add(u"b");
    EXPECT_EQ(list.GetTextStr(), u"a\r\n\r\nb\r\n");
}

TEST(ListErrors, MessagesCarryTheBadIndex) {
    TWStringList list;
    list.Add(u"a");
    list.Add(u"b");
    EXPECT_EQ(ErrorOf([&] { list.Get(2); }), "List index out of bounds (2)");
    EXPECT_EQ(ErrorOf([&] { list.Get(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(ErrorOf([&] { list.Put(5, u"x"); }), "List index out of bounds (5)");
    EXPECT_EQ(ErrorOf([&] { list.GetObject(2); }), "List index out of bounds (2)");
    EXPECT_EQ(ErrorOf([&] { list.PutObject(-3, nullptr); }), "List index out of bounds (-3)");
    EXPECT_EQ(ErrorOf([&] { list.Delete(2); }), "List index out of bounds (2)");
    EXPECT_EQ(ErrorOf([&] { list.Exchange(0, 7); }), "List index out of bounds (7)");
    EXPECT_EQ(ErrorOf([&] { list.Insert(3, u"x"); }), "List index out of bounds (3)");
    list.Insert(2, u"c"); // inserting at Count appends
    EXPECT_EQ(Lines(list), (Strings{u"a", u"b", u"c"}));
}

TEST(ListErrors, SortedListRefusesPositionalChanges) {
    TWStringList list;
    list.SetSorted(true);
    list.Add(u"a");
    EXPECT_EQ(ErrorOf([&] { list.Insert(0, u"b"); }), "Operation not allowed on sorted list");
    EXPECT_EQ(ErrorOf([&] { list.Put(0, u"b"); }), "Operation not allowed on sorted list");
    list.SetDuplicates(TDuplicates::dupError);
    EXPECT_EQ(ErrorOf([&] { list.Add(u"A"); }), "String list does not allow duplicates");
    EXPECT_EQ(Lines(list), (Strings{u"a"}));
}

TEST(SortedList, DuplicatesAndOrder) {
    TWStringList list;
    list.SetSorted(true);
    for (const char16_t* s : {u"pear", u"apple", u"Plum", u"fig"})
        list.Add(s);
    EXPECT_EQ(Lines(list), (Strings{u"apple", u"fig", u"pear", u"Plum"}));
    // Ignoring duplicates answers the index of the one already held.
    EXPECT_EQ(list.Add(u"PEAR"), 2);
    EXPECT_EQ(list.Count(), 4);
    list.SetDuplicates(TDuplicates::dupAccept);
    list.Add(u"PEAR");
    EXPECT_EQ(list.Count(), 5);
    int index = -1;
    EXPECT_FALSE(list.Find(u"grape", index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(list.IndexOf(u"FIG"), 1);
    EXPECT_EQ(list.IndexOf(u"kiwi"), -1);
}

TEST(SortedList, SwitchingCaseSensitivityResorts) {
    TWStringList list;
    list.SetSorted(true);
    list.SetDuplicates(TDuplicates::dupAccept);
    for (const char16_t* s : {u"b", u"B", u"a", u"A"})
        list.Add(s);
    list.SetCaseSensitive(true);
    // Each neighbour pair must be in order under the new rule, or Find misses entries.
    for (int i = 1; i < list.Count(); ++i)
        EXPECT_LE(list.CompareStrings(list.Get(i - 1), list.Get(i)), 0);
    for (const char16_t* s : {u"a", u"A", u"b", u"B"})
        EXPECT_GE(list.IndexOf(s), 0) << U8(s);
}

TEST(Sorting, SortIsLocaleAwareAndCaseInsensitive) {
    TWStringList list;
    list.SetTextStr(u"b\r\nC\r\nä\r\na");
    list.Sort();
    EXPECT_EQ(Lines(list), (Strings{u"a", u"ä", u"b", u"C"}));
}

TEST(Sorting, CustomSortKeepsObjectsBesideStrings) {
    TWStringList list;
    int x = 0, y = 0, z = 0;
    list.AddObject(u"x", &x);
    list.AddObject(u"y", &y);
    list.AddObject(u"z", &z);
    list.CustomSort(
        [](TWStringList& l, int a, int b) { return l.CompareStrings(l.Get(b), l.Get(a)); });
    EXPECT_EQ(Lines(list), (Strings{u"z", u"y", u"x"}));
    EXPECT_EQ(list.GetObject(0), &z);
    EXPECT_EQ(list.IndexOfObject(&x), 2);
    EXPECT_EQ(list.IndexOfObject(nullptr), -1);
}

TEST(Rearranging, MoveAndExchange) {
    TWStringList list;
    int o = 0;
    list.SetTextStr(u"a\r\nb\r\nc\r\nd");
    list.PutObject(0, &o);
    list.Move(0, 2);
    EXPECT_EQ(Lines(list), (Strings{u"b", u"c", u"a", u"d"}));
    EXPECT_EQ(list.GetObject(2), &o);
    list.Exchange(0, 3);
    EXPECT_EQ(Lines(list), (Strings{u"d", u"c", u"a", u"b"}));
    // A bad target must not cost the entry that was to be moved.
    EXPECT_THROW(list.Move(1, 4), EStringListError);
    EXPECT_EQ(Lines(list), (Strings{u"d", u"c", u"a", u"b"}));
}

TEST(ChangeEvents, BulkChangesFireOncePerSide) {
    TWStringList list;
    int changing = 0, changed = 0;
    list.OnChanging = [&](TWStrings* sender) {
        EXPECT_EQ(sender, &list);
        ++changing;
    };
    list.OnChange = [&](TWStrings*) { ++changed; };
    list.Add(u"x");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    list.SetTextStr(u"a\r\nb\r\nc");
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 2);
    list.BeginUpdate();
    list.Add(u"d");
    list.Delete(0);
    EXPECT_EQ(changed, 2);
    list.EndUpdate();
    EXPECT_EQ(changed, 3);
}

TEST(CaseInsensitive, UpperCasingUsesFullMappings) {
    EXPECT_EQ(WideUpperCase(u"straße"), u"STRASSE");
    EXPECT_EQ(WideUpperCase(u"çağrı şöyle"), u"ÇAĞRI ŞÖYLE");
    EXPECT_EQ(WideCompareText(u"Straße", u"STRASSE"), 0);
    EXPECT_NE(WideCompareStr(u"Straße", u"STRASSE"), 0);
    EXPECT_LT(WideCompareText(u"a", u"B"), 0);
}

// Both list kinds must agree on which entry a name denotes, across scripts and case forms.
TEST(CaseInsensitive, NamesFoundInAnotherCase) {
    const char16_t* text = u"Çağrı=1\r\nStraße=2\r\nöZEL=3\r\nŞehir=4";
    struct Case {
        const char16_t* Name;
        int Index;
    };
    const Case cases[] = {{u"ÇAĞRI", 0}, {u"çağri", 0},  {u"STRASSE", 1}, {u"strasse", 1},
                          {u"Özel", 2},  {u"şEHİR", -1}, {u"ŞEHIR", 3}};
    TWStringList plain;
    TWHashedStringList hashed;
    plain.SetTextStr(text);
    hashed.SetTextStr(text);
    for (const Case& c : cases) {
        EXPECT_EQ(plain.IndexOfName(c.Name), c.Index) << U8(c.Name);
        EXPECT_EQ(hashed.IndexOfName(c.Name), c.Index) << U8(c.Name);
    }
}

// A duplicate name resolves to the later entry; an entry without "=" has no name.
TEST(HashedList, DuplicateNamesResolveToTheLaterEntry) {
    TWHashedStringList list;
    list.SetTextStr(u"Key=1\r\nKEY=2");
    EXPECT_EQ(list.IndexOfName(u"kEy"), 1);
    list.SetTextStr(u"same\r\nSAME");
    EXPECT_EQ(list.IndexOf(u"Same"), 1);
    list.SetTextStr(u"loose\r\nk=v");
    EXPECT_EQ(list.IndexOfName(u"loose"), -1);
    EXPECT_EQ(list.IndexOfName(u"k"), 1);
    EXPECT_EQ(list.GetName(0), u"");
    EXPECT_EQ(list.IndexOf(u"LOOSE"), 0);
}

TEST(HashedList, LookupsFollowEveryKindOfChange) {
    TWHashedStringList list;
    list.SetTextStr(u"a=1\r\nb=2\r\nc=3");
    EXPECT_EQ(list.IndexOfName(u"c"), 2);
    list.Delete(0);
    EXPECT_EQ(list.IndexOfName(u"c"), 1);
    list.Put(0, u"z=9");
    EXPECT_EQ(list.IndexOfName(u"b"), -1);
    EXPECT_EQ(list.IndexOf(u"Z=9"), 0);
    list.Insert(0, u"c=0");
    EXPECT_EQ(list.IndexOfName(u"c"), 2);
    list.Exchange(0, 2);
    EXPECT_EQ(list.IndexOf(u"c=3"), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf(u"Z=9"), -1);
    EXPECT_EQ(list.IndexOf(u"z=9"), 1);
    list.Clear();
    EXPECT_EQ(list.IndexOfName(u"c"), -1);
}

TEST(StringHash, RotatingHashAndNewestFirstChains) {
    TWStringHash hash(256);
    EXPECT_EQ(hash.HashOf(u""), 0u);
    EXPECT_EQ(hash.HashOf(u"AB"), 0x146u);
    // The top two bits rotate round to the bottom.
    EXPECT_EQ(hash.HashOf(std::u16string(1, 0xC000) + std::u16string(9, u'\0')), 0x3u);
    hash.Add(u"k", 1);
    hash.Add(u"k", 2);
    EXPECT_EQ(hash.ValueOf(u"k"), 2);
    EXPECT_EQ(hash.ValueOf(u"K"), -1);
    hash.Clear();
    EXPECT_EQ(hash.ValueOf(u"k"), -1);
}

// An empty list writes only the byte order mark; a missing file leaves the list alone.
TEST(ListFiles, EmptyListWritesOnlyTheByteOrderMark) {
    TTempDir dir;
    TWStringList list;
    ASSERT_TRUE(list.SaveToFile(dir.WideFile("empty.txt")));
    EXPECT_EQ(ReadBytes(dir.File("empty.txt")), "\xFF\xFE");
    list.Add(u"kept");
    EXPECT_FALSE(list.LoadFromFile(dir.WideFile("absent.txt")));
    EXPECT_EQ(Lines(list), (Strings{u"kept"}));
}

TEST(ListFiles, RoundTripKeepsEveryCodeUnit) {
    TTempDir dir;
    TWStringList list;
    list.Add(u"Güncelleniyor...");
    list.Add(u"\U0001F600 and a lone \xD800 surrogate");
    ASSERT_TRUE(list.SaveToFile(dir.WideFile("t.txt")));
    EXPECT_EQ(ReadBytes(dir.File("t.txt")), Utf16Le(list.GetTextStr()));
    TWStringList back;
    ASSERT_TRUE(back.LoadFromFile(dir.WideFile("t.txt")));
    EXPECT_EQ(Lines(back), Lines(list));
}

TEST(ListFiles, FileWithoutByteOrderMarkIsReadFromItsFirstByte) {
    TTempDir dir;
    // An odd last byte is dropped.
    WriteBytes(dir.File("raw.txt"), Utf16Le(u"ab\r\ncd", false) + "X");
    TWStringList list;
    ASSERT_TRUE(list.LoadFromFile(dir.WideFile("raw.txt")));
    EXPECT_EQ(Lines(list), (Strings{u"ab", u"cd"}));
}

TEST(ListStreams, StreamsCarryNoByteOrderMark) {
    TWStringList list;
    list.Add(u"é");
    std::ostringstream out;
    list.SaveToStream(out);
    EXPECT_EQ(out.str(), Utf16Le(u"é\r\n", false));
    std::istringstream in(out.str());
    TWStringList back;
    back.LoadFromStream(in);
    EXPECT_EQ(Lines(back), (Strings{u"é"}));
}

TEST(Assigning, CopiesStringsAndObjects) {
    TWStringList source;
    int o = 0;
    source.AddObject(u"a", &o);
    source.Add(u"b");
    TWHashedStringList target;
    target.Add(u"old");
    target.Assign(source);
    EXPECT_EQ(Lines(target), (Strings{u"a", u"b"}));
    EXPECT_EQ(target.GetObject(0), &o);
    EXPECT_EQ(target.IndexOf(u"old"), -1);
}

} // namespace
