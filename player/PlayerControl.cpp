#include "PlayerControl.h"

namespace {

// Until a movie says otherwise the control offers the common stage of 550 by
// 400 pixels, at 96 pixels per inch.
constexpr int HimetricPerInch = 2540;
constexpr int DefaultPixelsPerInch = 96;
constexpr SIZEL DefaultExtent = {550 * HimetricPerInch / DefaultPixelsPerInch,
                                 400 * HimetricPerInch / DefaultPixelsPerInch};

}

PlayerControl::PlayerControl() : Extent(DefaultExtent), oleObject_(*this) {}

HRESULT PlayerControl::QueryInterface(REFIID iid, void** object)
{
    return AnswerInterface(iid, object, {
        {IID_IUnknown, this},
        {IID_IOleObject, &oleObject_},
    });
}
