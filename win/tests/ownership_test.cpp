// The ownership rules of the kit against real system objects: a stream object's reference count,
// an event's handle, a failed search's handle and a memory DC's bitmap.
#include "com_ptr.h"
#include "memory_dc.h"
#include "unique_handle.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <utility>

namespace {

ULONG References(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

bool IsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != FALSE;
}

// Each row gets a stream that holds one reference of the test's own; `use` works with owners of
// it and answers the stream's reference count while they hold it. When the row's owners are gone
// the count is 1 again: no reference leaks and none is released twice.
struct ComRule {
    const char* rule;
    ULONG (*use)(IStream* stream);
    ULONG referencesWhileHeld;
};

const ComRule kComRules[] = {
    {"a shared pointer adds a reference and releases it at its end",
     [](IStream* stream) {
         ComPtr<IStream> held(stream);
         return References(stream);
     },
     2},
    {"a copy adds a reference of its own",
     [](IStream* stream) {
         ComPtr<IStream> held(stream);
         ComPtr<IStream> copy(held);
         return References(stream);
     },
     3},
    {"a move hands the reference on",
     [](IStream* stream) {
         ComPtr<IStream> held(stream);
         ComPtr<IStream> moved(std::move(held));
         return held ? 0 : References(stream);
     },
     2},
    {"assigning over a held pointer releases it",
     [](IStream* stream) {
         ComPtr<IStream> first(stream);
         ComPtr<IStream> second(stream);
         second = std::move(first);
         return References(stream);
     },
     2},
    {"reset releases",
     [](IStream* stream) {
         ComPtr<IStream> held(stream);
         held.Reset();
         return References(stream);
     },
     1},
    {"receiving a new pointer releases the one held",
     [](IStream* stream) {
         ComPtr<IStream> held(stream);
         held.Receive();
         return References(stream);
     },
     1},
    {"detach gives the reference up, attach takes it over",
     [](IStream* stream) {
         ComPtr<IStream> held(stream);
         ComPtr<IStream> other;
         other.Attach(held.Detach());
         return held ? 0 : References(stream);
     },
     2},
    {"CopyTo hands out a reference of its own",
     [](IStream* stream) {
         ComPtr<IStream> held(stream);
         ComPtr<IStream> out;
         return SUCCEEDED(held.CopyTo(out.Receive())) ? References(stream) : 0;
     },
     3},
    {"QueryInterface into a ComPtr holds the interface asked for",
     [](IStream* stream) {
         ComPtr<ISequentialStream> reader;
         HRESULT hr = QueryInterfaceInto(stream, reader);
         return hr == S_OK && reader ? References(stream) : 0;
     },
     2},
    {"QueryInterface for an interface the object lacks leaves the ComPtr empty",
     [](IStream* stream) {
         ComPtr<IStream> held(stream);
         ComPtr<IPersistFile> file;
         HRESULT hr = held.QueryInterface(file);
         return hr == E_NOINTERFACE && !file ? References(stream) : 0;
     },
     2},
};

class ComRules : public ::testing::TestWithParam<ComRule> {};

TEST_P(ComRules, KeepTheCountRight)
{
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    EXPECT_EQ(GetParam().referencesWhileHeld, GetParam().use(stream)) << GetParam().rule;
    EXPECT_EQ(1u, References(stream)) << GetParam().rule;
    stream->Release();
}

INSTANTIATE_TEST_SUITE_P(Kit, ComRules, ::testing::ValuesIn(kComRules));

// Each row gets a new event; `use` works with owners of it and answers whether the event is
// still open after them. The test closes what a row leaves open.
struct HandleRule {
    const char* rule;
    bool (*use)(HANDLE event);
    bool openAfter;
};

const HandleRule kHandleRules[] = {
    {"destruction closes",
     [](HANDLE event) {
         {
             UniqueKernelHandle held(event);
         }
         return IsOpen(event);
     },
     false},
    {"a move hands the handle on and it is closed once",
     [](HANDLE event) {
         {
             UniqueKernelHandle held(event);
             UniqueKernelHandle moved(std::move(held));
             if (held || !IsOpen(event))
                 return true;
         }
         return IsOpen(event);
     },
     false},
    {"reset closes",
     [](HANDLE event) {
         UniqueKernelHandle held(event);
         held.Reset();
         return IsOpen(event) || held;
     },
     false},
    {"attaching another handle closes the one held",
     [](HANDLE event) {
         UniqueKernelHandle held(event);
         held.Attach(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
         return IsOpen(event) || !IsOpen(held.Get());
     },
     false},
    {"detach gives the handle up unclosed",
     [](HANDLE event) {
         UniqueKernelHandle held(event);
         return held.Detach() == event && !held && IsOpen(event);
     },
     true},
};

class HandleRules : public ::testing::TestWithParam<HandleRule> {};

TEST_P(HandleRules, CloseOnce)
{
    HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, event);
    EXPECT_EQ(GetParam().openAfter, GetParam().use(event)) << GetParam().rule;
    if (IsOpen(event))
        ::CloseHandle(event);
}

INSTANTIATE_TEST_SUITE_P(Kit, HandleRules, ::testing::ValuesIn(kHandleRules));

// A failed search gives INVALID_HANDLE_VALUE, which its owner must not hand to FindClose: that
// would fail with ERROR_INVALID_HANDLE.
TEST(NoHandle, IsNeverClosed)
{
    WIN32_FIND_DATAA found;
    {
        UniqueFindHandle search(::FindFirstFileA("C:\\no such folder\\*", &found));
        EXPECT_FALSE(search);
        UniqueKernelHandle none;
        EXPECT_FALSE(none);
        ::SetLastError(ERROR_SUCCESS);
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), ::GetLastError());
}

// A canvas's bitmap is selected out before it is deleted, and both are gone at its end.
TEST(MemoryDCTest, DeletesItsBitmapAfterSelectingItOut)
{
    HDC dc = nullptr;
    HGDIOBJ bitmap = nullptr;
    {
        MemoryDC canvas(nullptr, 8, 8);
        ASSERT_TRUE(canvas);
        dc = canvas.Get();
        bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
        EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), ::GetObjectType(bitmap));
        {
            MemoryDC other(nullptr, 4, 4);
            ScopedSelection borrowed(dc, ::GetCurrentObject(other.Get(), OBJ_BITMAP));
            EXPECT_FALSE(borrowed) << "a bitmap goes into one DC at a time";
        }
        EXPECT_EQ(bitmap, ::GetCurrentObject(dc, OBJ_BITMAP));
    }
    EXPECT_EQ(0u, ::GetObjectType(bitmap));
    EXPECT_EQ(0u, ::GetObjectType(dc));
}

}  // namespace
