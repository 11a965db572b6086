#pragma once
// The control's scripting interface as the host calls it: by position in its
// function table, with the platform's COM calling convention. Every member of
// layout 11 up to IsDependent is here, once, in table order, with its exact
// parameter types (on x86 the callee pops exactly their sizes, so one wrong
// type corrupts the caller's stack). Positions count IUnknown's three and
// IDispatch's four entries, so the first member sits at 7.
//
// TVM_FLASH_SLOTS(X) calls X(position, name, parameters) for each member.
#include <windows.h>
#include <oaidl.h>

#include <iterator>

#define TVM_FLASH_SLOTS(X)                                                           \
    X(7, get_ReadyState, (long* state))                                              \
    X(8, get_TotalFrames, (long* count))                                             \
    X(9, get_Playing, (VARIANT_BOOL * playing))                                      \
    X(10, put_Playing, (VARIANT_BOOL playing))                                       \
    X(11, get_Quality, (int* quality))                                               \
    X(12, put_Quality, (int quality))                                                \
    X(13, get_ScaleMode, (int* mode))                                                \
    X(14, put_ScaleMode, (int mode))                                                 \
    X(15, get_AlignMode, (int* mode))                                                \
    X(16, put_AlignMode, (int mode))                                                 \
    X(17, get_BackgroundColor, (long* colour))                                       \
    X(18, put_BackgroundColor, (long colour))                                        \
    X(19, get_Loop, (VARIANT_BOOL * loop))                                           \
    X(20, put_Loop, (VARIANT_BOOL loop))                                             \
    X(21, get_Movie, (BSTR * movie))                                                 \
    X(22, put_Movie, (BSTR movie))                                                   \
    X(23, get_FrameNum, (long* frame))                                               \
    X(24, put_FrameNum, (long frame))                                                \
    X(25, SetZoomRect, (long left, long top, long right, long bottom))               \
    X(26, Zoom, (int factor))                                                        \
    X(27, Pan, (long x, long y, int mode))                                           \
    X(28, Play, ())                                                                  \
    X(29, Stop, ())                                                                  \
    X(30, Back, ())                                                                  \
    X(31, Forward, ())                                                               \
    X(32, Rewind, ())                                                                \
    X(33, StopPlay, ())                                                              \
    X(34, GotoFrame, (long frame))                                                   \
    X(35, CurrentFrame, (long* frame))                                               \
    X(36, IsPlaying, (VARIANT_BOOL * playing))                                       \
    X(37, PercentLoaded, (long* percent))                                            \
    X(38, FrameLoaded, (long frame, VARIANT_BOOL* loaded))                           \
    X(39, FlashVersion, (long* version))                                             \
    X(40, get_WMode, (BSTR * mode))                                                  \
    X(41, put_WMode, (BSTR mode))                                                    \
    X(42, get_SAlign, (BSTR * align))                                                \
    X(43, put_SAlign, (BSTR align))                                                  \
    X(44, get_Menu, (VARIANT_BOOL * menu))                                           \
    X(45, put_Menu, (VARIANT_BOOL menu))                                             \
    X(46, get_Base, (BSTR * base))                                                   \
    X(47, put_Base, (BSTR base))                                                     \
    X(48, get_Scale, (BSTR * scale))                                                 \
    X(49, put_Scale, (BSTR scale))                                                   \
    X(50, get_DeviceFont, (VARIANT_BOOL * deviceFont))                               \
    X(51, put_DeviceFont, (VARIANT_BOOL deviceFont))                                 \
    X(52, get_EmbedMovie, (VARIANT_BOOL * embed))                                    \
    X(53, put_EmbedMovie, (VARIANT_BOOL embed))                                      \
    X(54, get_BGColor, (BSTR * colour))                                              \
    X(55, put_BGColor, (BSTR colour))                                                \
    X(56, get_Quality2, (BSTR * quality))                                            \
    X(57, put_Quality2, (BSTR quality))                                              \
    X(58, LoadMovie, (int layer, BSTR url))                                          \
    X(59, TGotoFrame, (BSTR target, long frame))                                     \
    X(60, TGotoLabel, (BSTR target, BSTR label))                                     \
    X(61, TCurrentFrame, (BSTR target, long* frame))                                 \
    X(62, TCurrentLabel, (BSTR target, BSTR* label))                                 \
    X(63, TPlay, (BSTR target))                                                      \
    X(64, TStopPlay, (BSTR target))                                                  \
    X(65, SetVariable, (BSTR name, BSTR value))                                      \
    X(66, GetVariable, (BSTR name, BSTR* value))                                     \
    X(67, TSetProperty, (BSTR target, int property, BSTR value))                     \
    X(68, TGetProperty, (BSTR target, int property, BSTR* value))                    \
    X(69, TCallFrame, (BSTR target, int frame))                                      \
    X(70, TCallLabel, (BSTR target, BSTR label))                                     \
    X(71, TSetPropertyNum, (BSTR target, int property, double value))                \
    X(72, TGetPropertyNum, (BSTR target, int property, double* value))               \
    X(73, TGetPropertyAsNumber, (BSTR target, int property, double* value))          \
    X(74, get_SWRemote, (BSTR * remote))                                             \
    X(75, put_SWRemote, (BSTR remote))                                               \
    X(76, get_FlashVars, (BSTR * vars))                                              \
    X(77, put_FlashVars, (BSTR vars))                                                \
    X(78, get_AllowScriptAccess, (BSTR * access))                                    \
    X(79, put_AllowScriptAccess, (BSTR access))                                      \
    X(80, get_MovieData, (BSTR * data))                                              \
    X(81, put_MovieData, (BSTR data))                                                \
    X(82, get_InlineData, (IUnknown * *data))                                        \
    X(83, put_InlineData, (IUnknown * data))                                         \
    X(84, get_SeamlessTabbing, (VARIANT_BOOL * seamless))                            \
    X(85, put_SeamlessTabbing, (VARIANT_BOOL seamless))                              \
    X(86, EnforceLocalSecurity, ())                                                  \
    X(87, get_Profile, (VARIANT_BOOL * profile))                                     \
    X(88, put_Profile, (VARIANT_BOOL profile))                                       \
    X(89, get_ProfileAddress, (BSTR * address))                                      \
    X(90, put_ProfileAddress, (BSTR address))                                        \
    X(91, get_ProfilePort, (long* port))                                             \
    X(92, put_ProfilePort, (long port))                                              \
    X(93, CallFunction, (BSTR request, BSTR* response))                              \
    X(94, SetReturnValue, (BSTR value))                                              \
    X(95, DisableLocalSecurity, ())                                                  \
    X(96, get_AllowNetworking, (BSTR * networking))                                  \
    X(97, put_AllowNetworking, (BSTR networking))                                    \
    X(98, get_AllowFullScreen, (BSTR * fullScreen))                                  \
    X(99, put_AllowFullScreen, (BSTR fullScreen))                                    \
    X(100, get_AllowFullScreenInteractive, (BSTR * fullScreen))                      \
    X(101, put_AllowFullScreenInteractive, (BSTR fullScreen))                        \
    X(102, get_IsDependent, (VARIANT_BOOL * dependent))                              \
    X(103, put_IsDependent, (VARIANT_BOOL dependent))

inline constexpr IID IID_IShockwaveFlash = {
    0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The interface, its members declared from the table in table order.
struct IShockwaveFlash : public IDispatch {
#define TVM_DECLARE_FLASH_SLOT(position, name, parameters) virtual HRESULT STDMETHODCALLTYPE name parameters = 0;
    TVM_FLASH_SLOTS(TVM_DECLARE_FLASH_SLOT)
#undef TVM_DECLARE_FLASH_SLOT
};

// The table leaves no gap: each member's position is its place in the table.
namespace tvmflash {
#define TVM_FLASH_SLOT_POSITION(position, name, parameters) position,
inline constexpr int SlotPositions[] = {TVM_FLASH_SLOTS(TVM_FLASH_SLOT_POSITION)};
#undef TVM_FLASH_SLOT_POSITION
consteval bool SlotsFollowOneAnother()
{
    for (int i = 0; i < static_cast<int>(std::size(SlotPositions)); ++i)
        if (SlotPositions[i] != 7 + i)
            return false;
    return true;
}
static_assert(SlotsFollowOneAnother() && std::size(SlotPositions) == 97);
}
