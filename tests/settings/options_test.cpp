#include "settings/options.h"

#include "platform/sys/file_lock.h"
#include "platform/sys/workarea.h"
#include "settings/unicode.h"

#include "settings_test_util.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <set>

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetWorkArea(platform::TRect Area) {
        platform::SetWorkAreaSource([Area] { return Area; });
    }
    void TearDown() override { platform::SetWorkAreaSource(nullptr); }
    std::unique_ptr<TOptions> OpenWith(const std::u16string& Text) {
        WriteBytes(Dir.File("options.ini"), Utf16Le(Text));
        return std::make_unique<TOptions>(Path);
    }

    TTempDir Dir;
    std::u16string Path = Dir.WideFile("options.ini");
};

TEST_F(OptionsTest, NoFileCentresTheWindowWithEveryChoiceOn) {
    SetWorkArea({0, 0, 1024, 738});
    TOptions options(Path);
    EXPECT_EQ(options.ReadLeft(), 274);
    EXPECT_EQ(options.ReadTop(), 194);
    EXPECT_TRUE(options.ReadAlwaysTop());
    EXPECT_TRUE(options.ReadAutoScale());
    EXPECT_TRUE(options.ReadShowTray());
    EXPECT_TRUE(options.ReadStartUp());
}

TEST_F(OptionsTest, DefaultPositionFollowsTheWorkAreaSize) {
    struct Case {
        platform::TRect Area;
        int Left, Top;
    };
    const Case cases[] = {
        {{0, 0, 1024, 768}, 274, 209},
        {{100, 40, 1124, 778}, 274, 194}, // sized by the area, not shifted by its origin
        {{0, 0, 400, 300}, -37, -25},     // a small screen truncates toward zero
    };
    for (const Case& c : cases) {
        SetWorkArea(c.Area);
        TOptions options(Path);
        EXPECT_EQ(options.DefaultLeft(), c.Left);
        EXPECT_EQ(options.DefaultTop(), c.Top);
    }
    platform::SetWorkAreaSource(nullptr);
    EXPECT_EQ(platform::GetWorkArea(), (platform::TRect{0, 0, 1024, 768}));
}

TEST_F(OptionsTest, StoredValuesAndTheirFallbacks) {
    SetWorkArea({0, 0, 1024, 738});
    auto options = OpenWith(u"[general]\r\nleft=0x20\r\ntop=middle\r\n"
                            u"[options]\r\nalwaystop=abc\r\nautoscale=0\r\nshowtray=0\r\n"
                            u"startup=-1\r\n");
    EXPECT_EQ(options->ReadLeft(), 32);
    EXPECT_EQ(options->ReadTop(), 194);
    EXPECT_TRUE(options->ReadAlwaysTop());
    EXPECT_FALSE(options->ReadAutoScale());
    EXPECT_FALSE(options->ReadShowTray());
    EXPECT_TRUE(options->ReadStartUp());
}

TEST_F(OptionsTest, SavingAFreshStoreWritesBothSectionsInOrder) {
    SetWorkArea({0, 0, 1024, 738});
    TOptions options(Path);
    options.WriteLeft(options.ReadLeft());
    options.WriteTop(-12);
    options.WriteStartUp(true);
    options.WriteAlwaysTop(false);
    options.WriteShowTray(true);
    options.WriteAutoScale(true);
    ASSERT_TRUE(options.UpdateFile());
    EXPECT_EQ(
        ReadBytes(Dir.File("options.ini")),
        Utf16Le(u"[general]\r\nleft=274\r\ntop=-12\r\n\r\n"
                u"[options]\r\nstartup=1\r\nalwaystop=0\r\nshowtray=1\r\nautoscale=1\r\n\r\n"));
    TOptions back(Path);
    EXPECT_EQ(back.ReadTop(), -12);
    EXPECT_FALSE(back.ReadAlwaysTop());
}

TEST_F(OptionsTest, ExistingFileKeepsItsOrderAndCase) {
    auto options = OpenWith(u"[Options]\r\nAutoScale=0\r\nstartup=0\r\n[General]\r\nTop=5\r\n");
    options->WriteLeft(1);
    options->WriteTop(2);
    options->WriteStartUp(true);
    options->WriteAutoScale(false);
    ASSERT_TRUE(options->UpdateFile());
    EXPECT_EQ(ReadBytes(Dir.File("options.ini")),
              Utf16Le(u"[Options]\r\nautoscale=0\r\nstartup=1\r\n\r\n"
                      u"[General]\r\ntop=2\r\nleft=1\r\n\r\n"));
}

// Users edit the feeds by hand: every line counts in file order whatever its key (a repeated or
// skipped number included), the widget writes them back numbered 1..N where the section stood,
// an empty section stays (it means "no feeds"), and nothing else in the file moves.
TEST_F(OptionsTest, FeedsAreReadInFileOrderAndWrittenRenumberedInPlace) {
    auto options = OpenWith(u"[general]\r\nleft=5\r\n\r\n[FEEDS]\r\n3=http://a.test/rss\r\n"
                            u"1=https://b.test/atom\r\n3=http://c.test/ğ\r\nnot a line\r\n"
                            u"\r\n[server]\r\nnews=127.0.0.1:9\r\n\r\n"
                            u"[feeds]\r\n9=http://d.test/later\r\n");
    const std::vector<std::u16string> read = {u"http://a.test/rss", u"https://b.test/atom",
                                              u"http://c.test/ğ", u"http://d.test/later"};
    ASSERT_TRUE(options->ReadFeeds());
    EXPECT_EQ(*options->ReadFeeds(), read);

    options->WriteFeeds({u"http://c.test/ğ", u"http://a.test/rss"});
    ASSERT_TRUE(options->UpdateFile());
    EXPECT_EQ(ReadBytes(Dir.File("options.ini")),
              Utf16Le(u"[general]\r\nleft=5\r\n\r\n[FEEDS]\r\n1=http://c.test/ğ\r\n"
                      u"2=http://a.test/rss\r\n\r\n[server]\r\nnews=127.0.0.1:9\r\n\r\n"));

    options->WriteFeeds({});
    ASSERT_TRUE(options->UpdateFile());
    TOptions reread(Path);
    ASSERT_TRUE(reread.ReadFeeds());
    EXPECT_TRUE(reread.ReadFeeds()->empty());

    // Without the section there is nothing to read, and writing the other options adds none.
    auto none = OpenWith(u"[general]\r\nleft=5\r\n");
    EXPECT_FALSE(none->ReadFeeds());
    none->WriteTop(7);
    ASSERT_TRUE(none->UpdateFile());
    EXPECT_FALSE(TOptions(Path).ReadFeeds());
}

} // namespace

// The widget saving its position and several command lines adding feeds, all at once, in
// separate processes: every change survives, because each writer reads the file afresh under
// the lock and changes only its own part.
TEST_F(OptionsTest, WritersInSeveralProcessesLoseNothing) {
    constexpr int Adders = 3;
    constexpr int FeedsEach = 15;
    constexpr int Moves = 40;
    const auto setServer = [](TOptions& o) {
        o.WriteString(u"server", u"news", u"127.0.0.1:9");
        return true;
    };
    TOptions first(Path);
    ASSERT_EQ(SaveOptionsLocked(first, setServer), TOptionsSave::Written);
    std::vector<pid_t> children;
    for (int a = 0; a < Adders; ++a) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < FeedsEach; ++i) {
                TOptions mine(Path);
                const std::string url =
                    "http://127.0.0.1/" + std::to_string(a) + "/" + std::to_string(i);
                const auto addFeed = [&](TOptions& o) {
                    auto feeds = o.ReadFeeds().value_or(std::vector<std::u16string>());
                    feeds.emplace_back(url.begin(), url.end());
                    o.WriteFeeds(feeds);
                    return true;
                };
                ok = SaveOptionsLocked(mine, addFeed) == TOptionsSave::Written && ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    // The widget keeps one store for its whole run, as the main window does.
    TOptions widget(Path);
    for (int i = 0; i < Moves; ++i) {
        const auto move = [i](TOptions& o) {
            o.WriteLeft(i);
            o.WriteTop(-i);
            o.WriteAlwaysTop(i % 2 == 0);
            return true;
        };
        ASSERT_EQ(SaveOptionsLocked(widget, move), TOptionsSave::Written);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    TOptions after(Path);
    EXPECT_EQ(after.ReadLeft(), Moves - 1);
    EXPECT_EQ(after.ReadTop(), -(Moves - 1));
    EXPECT_FALSE(after.ReadAlwaysTop());
    EXPECT_EQ(after.ReadString(u"server", u"news", u""), u"127.0.0.1:9");
    const auto feeds = after.ReadFeeds();
    ASSERT_TRUE(feeds.has_value());
    std::set<std::u16string> distinct(feeds->begin(), feeds->end());
    EXPECT_EQ(feeds->size(), std::size_t{Adders * FeedsEach});
    EXPECT_EQ(distinct.size(), std::size_t{Adders * FeedsEach});
}

TEST_F(OptionsTest, AWriterWaitsForTheLockAndGivesUpWhenItIsNotLetGo) {
    platform::TFileLock other;
    ASSERT_EQ(other.Acquire(WideToUtf8(OptionsLockPath(Path)), 0),
              platform::TFileLock::TState::Held);
    TOptions options(Path);
    bool edited = false;
    const auto edit = [&](TOptions&) { return edited = true; };
    EXPECT_EQ(SaveOptionsLocked(options, edit, 50), TOptionsSave::Busy);
    EXPECT_FALSE(edited);
    EXPECT_FALSE(std::filesystem::exists(Dir.File("options.ini")));
    other.Release();
    EXPECT_EQ(SaveOptionsLocked(options, edit, 50), TOptionsSave::Written);
}
