// Movies served from memory: virtual paths, the providers between the host's
// stream and the player's callback, and the manager's monikers and files as
// the player's bindings hand them out.
#include <windows.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BindingsTestSupport.h"
#include "ContentManager.h"
#include "Exceptions.h"
#include "FakeHostControl.h"
#include "Interfaced.h"
#include "OleStreams.h"
#include "SysUtils.h"
#include "TestSupport.h"

namespace {

using Microsoft::WRL::ComPtr;

const std::string Marker = "46A10F369771449587DE913EFC0A258C";

// What a download saw, in order: "start", "data <bytes> <flags>", "stop <result>".
class RecordingCallback final : public TInterfacedObject<IBindStatusCallback> {
public:
    std::vector<std::string> Log;
    std::string Bytes;
    bool Refuse = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{IID_IBindStatusCallback, this}});
    }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override
    {
        Log.push_back("start");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR) override
    {
        Log.push_back("stop " + std::to_string(result));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override
    {
        *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA;
        ULONG size = info->cbSize;
        ZeroMemory(info, size);
        info->cbSize = size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override
    {
        if (Refuse)
            return E_ABORT;
        EXPECT_EQ(format->tymed, DWORD(TYMED_ISTREAM));
        char piece[256];
        ULONG read = 0;
        std::string got;
        while (SUCCEEDED(medium->pstm->Read(piece, sizeof(piece), &read)) && read > 0) got.append(piece, read);
        Bytes += got;
        Log.push_back("data " + std::to_string(size) + " " + std::to_string(flags) + " " + got);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    bool Stopped() const { return !Log.empty() && Log.back().starts_with("stop"); }
};

ComPtr<RecordingCallback> NewCallback()
{
    return ComPtr<RecordingCallback>(new RecordingCallback);
}

void Write(TStream& stream, const std::string& text)
{
    stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

// The player's way to a URL: a moniker from its CreateURLMoniker, its
// callback registered in a bind context, bound to a stream. Threads call it
// too: it reports, never asserts.
HRESULT PlayerBinds(const std::wstring& url, IBindStatusCallback* callback, ComPtr<IStream>* stream = nullptr)
{
    auto createMoniker = Bound<decltype(&::CreateURLMoniker)>("CreateURLMoniker");
    ComPtr<IMoniker> moniker;
    ComPtr<IBindCtx> context;
    HRESULT result = createMoniker(nullptr, url.c_str(), &moniker);
    if (SUCCEEDED(result))
        result = CreateBindCtx(0, &context);
    if (SUCCEEDED(result))
        result = RegisterBindStatusCallback(context.Get(), callback, nullptr, 0);
    if (FAILED(result))
        return result;
    ComPtr<IStream> object;
    result = moniker->BindToStorage(context.Get(), nullptr, IID_IStream, &object);
    if (stream)
        *stream = object;
    return result;
}

// The same binding made by the system alone.
HRESULT SystemBinds(const std::wstring& url, IBindStatusCallback* callback, ComPtr<IStream>* stream)
{
    ComPtr<IMoniker> moniker;
    ComPtr<IBindCtx> context;
    EXPECT_EQ(::CreateURLMoniker(nullptr, url.c_str(), &moniker), S_OK);
    EXPECT_EQ(CreateBindCtx(0, &context), S_OK);
    EXPECT_EQ(RegisterBindStatusCallback(context.Get(), callback, nullptr, 0), S_OK);
    return moniker->BindToStorage(context.Get(), nullptr, IID_IStream, reinterpret_cast<void**>(stream->GetAddressOf()));
}

// Lets the system's asynchronous bindings finish.
void PumpMessages(const std::function<bool()>& done)
{
    for (int waited = 0; waited < 5000 && !done(); waited += 10) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
}

class ContentManagerTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override
    {
        ContentManager().UnregisterControl(&control_);
        CoUninitialize();
    }

    // A movie stream of the control, and the virtual path its player was told.
    std::unique_ptr<TStream> MovieStream(std::wstring& path)
    {
        control_.Loaded = [&](int, const std::wstring& url) { path = url; };
        return ContentManager().CreateMovieStream(&control_, false, 0);
    }

    tvmtest::FakeHostControl control_;
};

TEST(VirtualPaths, AreNumberedOneByOneAndParseBack)
{
    std::string first = ContentManager().NewVirtualPath();
    std::string second = ContentManager().NewVirtualPath();
    int number = 0;
    std::string rest;
    ASSERT_TRUE(TContentManager::ParseVirtualPath(first, number, rest)) << first;
    EXPECT_EQ(first, "Z:\\FromMemory\\" + Marker + "\\" + std::to_string(number) +
                         "\\E4ED7C01D28A43418DBF2CB92CC35E56.swf");
    EXPECT_EQ(rest, "E4ED7C01D28A43418DBF2CB92CC35E56.swf");
    int next = 0;
    ASSERT_TRUE(TContentManager::ParseVirtualPath(second, next, rest));
    EXPECT_EQ(next, number + 1);
}

TEST(VirtualPaths, ParseOnlyWhatHasTheMarkerAndADecimalNumber)
{
    const std::string root = "Z:\\FromMemory\\" + Marker;
    const struct {
        std::string path;
        bool parsed;
        int number;
        const char* rest;
    } cases[] = {
        {root + "\\5\\E4ED.swf", true, 5, "E4ED.swf"},
        {"file:///Z:/FromMemory/" + Marker + "/12/sub/pic.jpg", true, 12, "sub/pic.jpg"},
        {root + "\\7\\", true, 7, ""},
        {"C:\\movies\\a.swf", false, 0, ""},
        {"file://46A10F369771449587DE913EFC0A258", false, 0, ""},
        {root, false, 0, ""},
        {root + "\\", false, 0, ""},
        {root + "\\5", false, 0, ""},
        {root + "\\\\a.swf", false, 0, ""},
        // Made-up numbers must not raise on the player's thread.
        {root + "\\five\\a.swf", false, 0, ""},
        {root + "\\5x\\a.swf", false, 0, ""},
        {root + "\\-5\\a.swf", false, 0, ""},
        {root + "\\ 5\\a.swf", false, 0, ""},
        {root + "\\99999999999\\a.swf", false, 0, ""},
    };
    for (const auto& c : cases) {
        int number = 0;
        std::string rest;
        EXPECT_EQ(TContentManager::ParseVirtualPath(c.path, number, rest), c.parsed) << c.path;
        if (c.parsed) {
            EXPECT_EQ(number, c.number) << c.path;
            EXPECT_EQ(rest, c.rest) << c.path;
        }
    }
}

TEST(VirtualPaths, AreTheSameByNumberAndName)
{
    const std::string root = "Z:\\FromMemory\\" + Marker;
    const struct {
        std::string a, b;
        bool same;
    } cases[] = {
        {root + "\\3\\a.swf", "z:/frommemory/" + Marker + "/3/a.swf", true},
        {root + "\\3\\a.swf", root + "\\4\\a.swf", false},
        {root + "\\3\\a.swf", root + "\\3\\A.swf", false},
        {root + "\\3\\a.swf", "C:\\a.swf", false},
        {"C:\\a.swf", "C:\\a.swf", true},
        {"C:\\a.swf", "C:\\b.swf", false},
    };
    for (const auto& c : cases) EXPECT_EQ(TContentManager::SameVirtualPath(c.a, c.b), c.same) << c.a << " " << c.b;
}

// Steps: w = the host writes "<n>" (n counts the writes), b = the player
// binds, c = the host frees its stream.
TEST(ContentProvider, HandsTheBytesOverAndEndsEveryDownload)
{
    const struct {
        const char* steps;
        std::vector<std::string> log;
    } cases[] = {
        {"wwcb", {"start", "data 2 5 12", "stop 0"}},
        {"bwwc", {"start", "data 1 5 1", "data 1 5 2", "stop 0"}},
        {"wbwc", {"start", "data 1 5 1", "data 1 5 2", "stop 0"}},
        // Empty movies end their downloads too.
        {"bc", {"start", "stop 0"}},
        {"cb", {"start", "stop 0"}},
    };
    for (const auto& c : cases) {
        ComPtr<IContentProvider> provider = TContentProvider::Create();
        auto stream = std::make_unique<TOleStream>(TContentProviderStream::Create(provider));
        ComPtr<RecordingCallback> callback = NewCallback();
        int writes = 0;
        for (const char* step = c.steps; *step; ++step) {
            if (*step == 'w')
                Write(*stream, std::to_string(++writes));
            else if (*step == 'b')
                provider->SetCallback(callback.Get());
            else
                stream.reset();
        }
        EXPECT_EQ(callback->Log, c.log) << c.steps;
        EXPECT_EQ(provider->DataWritten(), writes > 0 ? S_OK : S_FALSE) << c.steps;
    }
}

TEST(ContentProvider, BytesThePlayerRefusesCountAsNotWritten)
{
    ComPtr<IContentProvider> provider = TContentProvider::Create();
    ComPtr<IStream> stream = TContentProviderStream::Create(provider);
    ComPtr<RecordingCallback> callback = NewCallback();
    callback->Refuse = true;
    provider->SetCallback(callback.Get());
    ULONG written = 99;
    EXPECT_EQ(stream->Write("abc", 3, &written), S_OK);
    EXPECT_EQ(written, 0u);
    TOleStream host(stream);
    EXPECT_THROW(Write(host, "abc"), EWriteError);

    // The host's end only writes.
    char buffer[4];
    LARGE_INTEGER start = {};
    STATSTG stat;
    IStream* clone = stream.Get();
    EXPECT_EQ(stream->Read(buffer, 4, nullptr), E_NOTIMPL);
    EXPECT_EQ(stream->Seek(start, STREAM_SEEK_SET, nullptr), E_NOTIMPL);
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), E_NOTIMPL);
    EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(clone, nullptr);
}

TEST_F(ContentManagerTest, AMovieStreamReachesThePlayerThatBindsItsPath)
{
    std::vector<std::pair<int, std::wstring>> loads;
    control_.Loaded = [&](int layer, const std::wstring& url) { loads.emplace_back(layer, url); };
    auto stream = ContentManager().CreateMovieStream(&control_, true, 3);
    ASSERT_EQ(loads.size(), 2u);
    EXPECT_EQ(loads[0], std::make_pair(3, std::wstring(UnloadMarker)));
    std::wstring path = loads[1].second;
    EXPECT_EQ(loads[1].first, 3);

    ComPtr<RecordingCallback> callback = NewCallback();
    Write(*stream, "early");
    EXPECT_EQ(PlayerBinds(path, callback.Get()), MK_S_ASYNCHRONOUS);
    Write(*stream, "late");
    stream.reset();
    EXPECT_EQ(callback->Log, (std::vector<std::string>{"start", "data 5 5 early", "data 4 5 late", "stop 0"}));
}

TEST_F(ContentManagerTest, AVirtualPathOfNoControlFailsAndTouchesNothing)
{
    ComPtr<RecordingCallback> callback = NewCallback();
    std::wstring path = L"Z:\\FromMemory\\" + AnsiToWide(Marker) + L"\\2147483000\\a.swf";
    EXPECT_EQ(PlayerBinds(path, callback.Get()), E_FAIL);
    EXPECT_TRUE(callback->Log.empty());
}

TEST_F(ContentManagerTest, OtherUrlsAnswerWhatTheSystemAnswers)
{
    std::string file = tvmtest::OutputDir() + "memory_plain.bin";
    tvmtest::WriteFile(file, {'p', 'l', 'a', 'i', 'n'});
    for (std::string url : {"file:///" + file, "file:///" + tvmtest::OutputDir() + "missing.bin"}) {
        std::replace(url.begin(), url.end(), '\\', '/');
        ComPtr<RecordingCallback> ours = NewCallback();
        ComPtr<RecordingCallback> system = NewCallback();
        ComPtr<IStream> ourStream;
        ComPtr<IStream> systemStream;
        HRESULT expected = SystemBinds(AnsiToWide(url), system.Get(), &systemStream);
        EXPECT_EQ(PlayerBinds(AnsiToWide(url), ours.Get(), &ourStream), expected) << url;
        EXPECT_EQ(ourStream != nullptr, systemStream != nullptr) << url;
        PumpMessages([&] { return ours->Stopped() && system->Stopped(); });
        EXPECT_EQ(ours->Bytes, system->Bytes) << url;
    }
}

TEST_F(ContentManagerTest, ResourcesComeFromTheControlsEventsThenItsBaseFolder)
{
    std::wstring moviePath;
    auto movie = MovieStream(moviePath);
    movie.reset();
    std::wstring folder = moviePath.substr(0, moviePath.rfind(L'\\') + 1);
    std::unique_ptr<TStream> kept;
    control_.LoadExternalResourceEx = [&](const std::string& url, TStream* stream) {
        if (url != "ex/kept.bin")
            return false;
        Write(*stream, "from ex");
        kept.reset(stream);
        return true;
    };
    control_.LoadExternalResource = [&](const std::string& url, TStream* stream) {
        if (url == "plain.bin")
            Write(*stream, "from event");
    };

    ComPtr<RecordingCallback> fromEx = NewCallback();
    EXPECT_EQ(PlayerBinds(folder + L"ex/kept.bin", fromEx.Get()), MK_S_ASYNCHRONOUS);
    EXPECT_EQ(fromEx->Log, (std::vector<std::string>{"start", "data 7 5 from ex"}));
    kept.reset();
    EXPECT_TRUE(fromEx->Stopped()) << "the handler's stream ends the download";

    ComPtr<RecordingCallback> fromEvent = NewCallback();
    EXPECT_EQ(PlayerBinds(folder + L"plain.bin", fromEvent.Get()), MK_S_ASYNCHRONOUS);
    EXPECT_EQ(fromEvent->Log, (std::vector<std::string>{"start", "data 10 5 from event", "stop 0"}));

    // Neither serves it: the file under the Base folder does.
    tvmtest::WriteFile(tvmtest::OutputDir() + "memory_base.bin", {'b', 'a', 's', 'e'});
    control_.Base = AnsiToWide(ExcludeTrailingPathDelimiter(tvmtest::OutputDir()));
    ComPtr<RecordingCallback> fromBase = NewCallback();
    HRESULT result = PlayerBinds(folder + L"memory_base.bin", fromBase.Get());
    EXPECT_TRUE(result == S_OK || result == MK_S_ASYNCHRONOUS) << std::hex << result;
    PumpMessages([&] { return fromBase->Stopped(); });
    EXPECT_EQ(fromBase->Bytes, "base");
}

TEST_F(ContentManagerTest, FilesOfAVirtualPathOpenUnderTheBaseFolder)
{
    std::wstring moviePath;
    MovieStream(moviePath).reset();
    std::string folder = WideToAnsi(moviePath.substr(0, moviePath.rfind(L'\\') + 1));
    ForceDirectories(tvmtest::OutputDir() + "memory_files");
    tvmtest::WriteFile(tvmtest::OutputDir() + "memory_files\\inner.bin", {'i', 'n'});
    control_.Base = AnsiToWide(ExcludeTrailingPathDelimiter(tvmtest::OutputDir()));
    const std::string root = "Z:\\FromMemory\\" + Marker;
    const struct {
        std::string path;
        bool opens;
    } cases[] = {
        {folder + "memory_files/inner.bin", true},
        {folder + "memory_files\\missing.bin", false},
        {root + "\\2147483000\\memory_files\\inner.bin", false},
        {root + "\\not a number\\memory_files\\inner.bin", false},
        {tvmtest::OutputDir() + "memory_files\\inner.bin", true},
    };
    auto createFile = Bound<decltype(&::CreateFileA)>("CreateFileA");
    for (const auto& c : cases) {
        HANDLE file = createFile(c.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << c.path;
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
}

TEST_F(ContentManagerTest, AGoneControlsNumbersAndUnboundMoviesAreForgotten)
{
    std::wstring path;
    auto stream = MovieStream(path);
    int number = 0;
    std::string rest;
    ASSERT_TRUE(TContentManager::ParseVirtualPath(WideToAnsi(path), number, rest));
    EXPECT_NE(ContentManager().FindControl(number), nullptr);
    ContentManager().UnregisterControl(&control_);
    EXPECT_EQ(ContentManager().FindControl(number), nullptr);
    EXPECT_EQ(ContentManager().TakeProvider(WideToAnsi(path)), nullptr);
}

// Several hosts loading and players binding at once, each on its own thread:
// every download gets its own bytes, every path its own control.
TEST(ContentManagerThreads, ServeEveryThreadItsOwnMovies)
{
    std::atomic<int> wrong = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            CoInitialize(nullptr);
            tvmtest::FakeHostControl control;
            std::wstring path;
            control.Loaded = [&](int, const std::wstring& url) { path = url; };
            for (int i = 0; i < 2000; ++i) {
                auto stream = ContentManager().CreateMovieStream(&control, false, 0);
                int number = 0;
                std::string rest;
                if (!TContentManager::ParseVirtualPath(WideToAnsi(path), number, rest) ||
                    ContentManager().FindControl(number).Get() != &control)
                    ++wrong;
                if (i % 20 != 0) {
                    if (!ContentManager().TakeProvider(WideToAnsi(path)))
                        ++wrong;
                    continue;
                }
                std::string bytes = std::to_string(t) + ":" + std::to_string(i);
                ComPtr<RecordingCallback> callback = NewCallback();
                if (PlayerBinds(path, callback.Get()) != MK_S_ASYNCHRONOUS)
                    ++wrong;
                Write(*stream, bytes);
                stream.reset();
                if (callback->Bytes != bytes || !callback->Stopped())
                    ++wrong;
            }
            ContentManager().UnregisterControl(&control);
            CoUninitialize();
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
}

}
