// The storage calls' statuses: names, modes, sharing and element lifetimes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "compound/raw_file.h"
#include "compound/tree_io.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

constexpr DWORD kRead = STGM_READ | STGM_SHARE_EXCLUSIVE;              // 0x10
constexpr DWORD kReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;    // 0x12
constexpr DWORD kCreate = kReadWrite | STGM_CREATE;                    // 0x1012

class StorageApi : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (home_ / "object.cfg").string();
        ASSERT_EQ(WriteTree(path_, {Stream("A", "alpha"), Storage("Sub", {Stream("inner", Pattern(5000, 1))})}), S_OK);
    }
    IStorage* Open(DWORD mode) {
        IStorage* root = nullptr;
        EXPECT_EQ(OpenFile(path_, &root, mode), S_OK);
        return root;
    }
    // Runs body in a child process; its exit status.
    template <typename Body>
    static int InChild(Body body) {
        const pid_t child = fork();
        if (child == 0) _exit(body());
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    TempHome home_;
    std::string path_;
};

TEST_F(StorageApi, MissingOrForeignFileHasItsStatusAndNoStorage) {
    IStorage* root = nullptr;
    EXPECT_EQ(StgOpenStorage(W(home_ / "none.cfg").c_str(), nullptr, kRead, nullptr, 0, &root), STG_E_FILENOTFOUND);
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(StgCreateDocfile(W(home_ / "no/such.cfg").c_str(), kCreate, 0, &root), STG_E_PATHNOTFOUND);
    EXPECT_EQ(root, nullptr);
    const std::string text = home_ / "text.cfg";
    std::ofstream(text) << std::string(2000, 'x');
    EXPECT_EQ(StgOpenStorage(W(text).c_str(), nullptr, kRead, nullptr, 0, &root), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(root, nullptr);
    // A FIFO with no writer: refused at once, not waited on.
    const std::string fifo = home_ / "fifo.cfg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const DWORD mode : {kRead, kReadWrite}) {
        EXPECT_EQ(StgOpenStorage(W(fifo).c_str(), nullptr, mode, nullptr, 0, &root), STG_E_ACCESSDENIED) << mode;
        EXPECT_EQ(root, nullptr);
    }
}

TEST_F(StorageApi, SecondOpenInThisOrAnotherProcessIsLockViolationUntilReleased) {
    for (const DWORD held : {kReadWrite, kRead}) {
        IStorage* first = Open(held);
        IStorage* second = nullptr;
        EXPECT_EQ(OpenFile(path_, &second, kRead), STG_E_LOCKVIOLATION) << held;
        EXPECT_EQ(StgCreateDocfile(W(path_).c_str(), kCreate, 0, &second), STG_E_LOCKVIOLATION) << held;
        EXPECT_EQ(InChild([&] {
                      IStorage* root = nullptr;
                      return OpenFile(path_, &root, kRead) == STG_E_LOCKVIOLATION;
                  }),
                  1)
            << held;
        first->Release();
    }
    IStorage* third = Open(kRead);
    ASSERT_NE(third, nullptr);
    third->Release();
}

TEST_F(StorageApi, ReadOnlyFileIsAccessDeniedForWritingButOpensForReading) {
    chmod(path_.c_str(), 0444);
    chmod(home_.path().c_str(), 0755);
    EXPECT_EQ(InChild([&] {
                  // Root may write anything: try as an ordinary user.
                  if (geteuid() == 0 && setuid(65534) != 0) return 3;
                  IStorage* root = nullptr;
                  if (OpenFile(path_, &root, kReadWrite) != STG_E_ACCESSDENIED) return 1;
                  if (OpenFile(path_, &root, kRead) != S_OK) return 2;
                  root->Release();
                  return 0;
              }),
              0);
}

TEST_F(StorageApi, WritableOpenOfStreamInReadOnlyFileIsInvalidFlag) {
    IStorage* root = Open(kRead);
    IStream* stream = nullptr;
    EXPECT_EQ(root->OpenStream(u"A", nullptr, kReadWrite, 0, &stream), STG_E_INVALIDFLAG);
    EXPECT_EQ(root->CreateStream(u"B", kCreate, 0, 0, &stream), STG_E_ACCESSDENIED);
    EXPECT_EQ(root->DestroyElement(u"A"), STG_E_ACCESSDENIED);
    ASSERT_EQ(root->OpenStream(u"A", nullptr, kRead, 0, &stream), S_OK);
    EXPECT_EQ(stream->Write("x", 1, nullptr), STG_E_ACCESSDENIED);
    stream->Release();
    root->Release();
}

TEST_F(StorageApi, NamesAreCheckedAndCompareWithoutCaseAndMissingOrWrongTypeIsFileNotFound) {
    IStorage* root = Open(kReadWrite);
    IStream* stream = nullptr;
    for (const char16_t* bad : {u"", u"a/b", u"a\\b", u"a:b", u"a!b", u"12345678901234567890123456789012"})
        EXPECT_EQ(root->CreateStream(bad, kCreate, 0, 0, &stream), STG_E_INVALIDNAME) << Utf16ToUtf8(bad);
    EXPECT_EQ(root->CreateStream(u"1234567890123456789012345678901", kCreate, 0, 0, &stream), S_OK);
    stream->Release();
    // Units that share their low six bits with barred ones: 'a' '!', 'o' '/', 'z' ':', and so on.
    for (const char16_t* good : {u"aoz", u"\u0100\u011C\u0161\u017A"}) {
        ASSERT_EQ(root->CreateStream(good, kCreate, 0, 0, &stream), S_OK) << Utf16ToUtf8(good);
        stream->Release();
    }
    ASSERT_EQ(root->OpenStream(u"a", nullptr, kRead, 0, &stream), S_OK);
    stream->Release();
    IStorage* sub = nullptr;
    EXPECT_EQ(root->CreateStorage(u"SUB", kReadWrite, 0, 0, &sub), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(root->OpenStream(u"nothing", nullptr, kReadWrite, 0, &stream), STG_E_FILENOTFOUND);
    EXPECT_EQ(root->OpenStream(u"Sub", nullptr, kReadWrite, 0, &stream), STG_E_FILENOTFOUND);
    EXPECT_EQ(root->OpenStorage(u"A", nullptr, kReadWrite, nullptr, 0, &sub), STG_E_FILENOTFOUND);
    EXPECT_EQ(root->DestroyElement(u"nothing"), STG_E_FILENOTFOUND);
    root->Release();
}

TEST_F(StorageApi, OpenElementIsAccessDeniedAndCreateReplacesOnlyWithTheCreateFlag) {
    IStorage* root = Open(kReadWrite);
    IStream* first = nullptr;
    IStream* second = nullptr;
    ASSERT_EQ(root->OpenStream(u"A", nullptr, kReadWrite, 0, &first), S_OK);
    EXPECT_EQ(root->OpenStream(u"A", nullptr, kReadWrite, 0, &second), STG_E_ACCESSDENIED);
    EXPECT_EQ(root->CreateStream(u"A", kCreate, 0, 0, &second), STG_E_ACCESSDENIED);
    EXPECT_EQ(root->DestroyElement(u"A"), STG_E_ACCESSDENIED);
    first->Release();
    // A stream replaces the storage of that name.
    ASSERT_EQ(root->CreateStream(u"Sub", kCreate, 0, 0, &first), S_OK);
    STATSTG stat;
    ASSERT_EQ(first->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.type, STGTY_STREAM);
    EXPECT_EQ(stat.cbSize.QuadPart, 0u);
    first->Write("new", 3, nullptr);
    first->Release();
    EXPECT_EQ(root->CreateStream(u"A", kReadWrite, 0, 0, &first), STG_E_FILEALREADYEXISTS);
    root->Release();
    EXPECT_EQ(TreeOf(path_), (Listing{{"/", ""}, {"A", "alpha"}, {"Sub", "new"}}));
    EXPECT_EQ(StgCreateDocfile(W(path_).c_str(), kReadWrite, 0, &root), STG_E_FILEALREADYEXISTS);
    ASSERT_EQ(StgCreateDocfile(W(path_).c_str(), kCreate, 0, &root), S_OK);
    root->Release();
    EXPECT_EQ(TreeOf(path_), (Listing{{"/", ""}}));
}

TEST_F(StorageApi, DestroyElementRemovesEverythingBelow) {
    IStorage* root = Open(kReadWrite);
    ASSERT_EQ(root->DestroyElement(u"Sub"), S_OK);
    IStorage* sub = nullptr;
    ASSERT_EQ(root->CreateStorage(u"Sub", kReadWrite, 0, 0, &sub), S_OK);
    IEnumSTATSTG* elements = nullptr;
    ASSERT_EQ(sub->EnumElements(0, nullptr, 0, &elements), S_OK);
    STATSTG stat;
    EXPECT_EQ(elements->Next(1, &stat, nullptr), S_FALSE);
    elements->Release();
    sub->Release();
    root->Release();
    EXPECT_EQ(TreeOf(path_), (Listing{{"/", ""}, {"A", "alpha"}, {"Sub/", ""}}));
}

// "name type size" of each of the next count elements; the call's status in *hr.
std::vector<std::string> Next(IEnumSTATSTG* elements, ULONG count, HRESULT* hr) {
    std::vector<STATSTG> stat(count);
    ULONG fetched = 0;
    *hr = elements->Next(count, stat.data(), &fetched);
    std::vector<std::string> seen;
    for (ULONG i = 0; i < fetched; ++i) {
        seen.push_back(Utf16ToUtf8(stat[i].pwcsName) + " " + std::to_string(stat[i].type) + " " +
                       std::to_string(stat[i].cbSize.QuadPart));
        CoTaskMemFree(stat[i].pwcsName);
    }
    return seen;
}

TEST_F(StorageApi, EnumeratorResetStartsOverAndSeesChanges) {
    IStorage* root = Open(kReadWrite);
    IEnumSTATSTG* elements = nullptr;
    ASSERT_EQ(root->EnumElements(0, nullptr, 0, &elements), S_OK);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(Next(elements, 3, &hr), (std::vector<std::string>{"A 2 5", "Sub 1 0"}));  // 2 stream, 1 storage
    EXPECT_EQ(hr, S_FALSE);
    IStream* added = nullptr;
    ASSERT_EQ(root->CreateStream(u"B", kCreate, 0, 0, &added), S_OK);
    added->Release();
    ASSERT_EQ(elements->Reset(), S_OK);
    EXPECT_EQ(Next(elements, 3, &hr), (std::vector<std::string>{"A 2 5", "B 2 0", "Sub 1 0"}));
    EXPECT_EQ(hr, S_OK);
    elements->Release();
    root->Release();
}

TEST_F(StorageApi, EnumeratorSkipsElementsDestroyedAfterItWasMade) {
    IStorage* root = Open(kReadWrite);
    IEnumSTATSTG* elements = nullptr;
    ASSERT_EQ(root->EnumElements(0, nullptr, 0, &elements), S_OK);
    ASSERT_EQ(root->DestroyElement(u"A"), S_OK);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(Next(elements, 2, &hr), std::vector<std::string>{"Sub 1 0"});
    EXPECT_EQ(hr, S_FALSE);
    elements->Release();
    root->Release();
}

TEST_F(StorageApi, StreamSeekReadPastEndAndSetSize) {
    IStorage* root = Open(kReadWrite);
    IStream* stream = nullptr;
    ASSERT_EQ(root->OpenStream(u"A", nullptr, kReadWrite, 0, &stream), S_OK);
    LARGE_INTEGER move;
    move.QuadPart = 3;
    ULARGE_INTEGER at;
    ASSERT_EQ(stream->Seek(move, STREAM_SEEK_SET, &at), S_OK);
    char buffer[16] = {};
    ULONG read = 0;
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
    EXPECT_EQ(std::string(buffer, read), "ha");
    move.QuadPart = -100;
    EXPECT_EQ(stream->Seek(move, STREAM_SEEK_CUR, &at), STG_E_INVALIDFUNCTION);
    move.QuadPart = 5;
    ASSERT_EQ(stream->Seek(move, STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 10u);
    ASSERT_EQ(stream->Write("!", 1, nullptr), S_OK);
    ULARGE_INTEGER size;
    size.QuadPart = 12;
    ASSERT_EQ(stream->SetSize(size), S_OK);
    stream->Release();
    root->Release();
    EXPECT_EQ(TreeOf(path_)["A"], std::string("alpha\0\0\0\0\0!\0", 12));
}

TEST_F(StorageApi, ChangeIsInTheFileOnceStreamAndStorageAreReleased) {
    IStorage* root = Open(kReadWrite);
    IStream* stream = nullptr;
    ASSERT_EQ(root->CreateStream(u"A", kCreate, 0, 0, &stream), S_OK);
    stream->Write("changed", 7, nullptr);
    stream->Release();
    IStorage* sub = nullptr;
    ASSERT_EQ(root->OpenStorage(u"Sub", nullptr, kReadWrite, nullptr, 0, &sub), S_OK);
    sub->Release();  // releasing any storage commits
    // A second process sees the change while this one still holds the root.
    const std::string copy = home_ / "copy.cfg";
    RawFile(path_).Save(copy);
    EXPECT_EQ(TreeOf(copy)["A"], "changed");
    root->Release();
}

}  // namespace
}  // namespace vek::test
