#include "kvnGifWriter.h"

#include "Canvas.h"
#include "MclImageHandle.h"

void PrepareGifFrame(TBitmap& bitmap, TColor background)
{
    int width = bitmap.Width(), height = bitmap.Height();
    TMclImageHandle frame, flat;
    bitmap.FreeContext();
    MclDIBToImg(frame, bitmap.Handle());
    MclImgRedim(flat, width, height, 24);
    MclImgClear(flat, static_cast<MclColor>(background) & 0xFFFFFF);
    MclImgInsert(flat, frame, 0, 0);
    TBitmap result;
    result.SetPixelFormat(pf24bit);
    result.SetSize(width, height);
    result.SetTransparent(true);
    result.SetTransparentMode(tmFixed);
    result.SetTransparentColor(0xFFFFFF);
    MclImgShow(flat, result.Canvas().Handle(), 0, 0);
    result.FreeContext();
    bitmap.Assign(&result);
}

TkvnGifWriter::TkvnGifWriter(std::unique_ptr<TStream> file, TColor background, bool transparent)
    : stream_(std::move(file)), background_(background), transparent_(transparent)
{
}

TkvnGifWriter::~TkvnGifWriter() = default;

void TkvnGifWriter::WriteFrame(TBitmap& frame, int delay)
{
    // One frame at a time: the file already holds the ones before.
    image_.Clear();
    TGIFFrame& gifFrame = image_.GetFrame(image_.AddFrame(&frame));
    gifFrame.SetOrigin(TPoint{0, 0});
    gifFrame.SetDelayTime(static_cast<uint16_t>(delay));
    if (transparent_) {
        gifFrame.SetTransparentColor(background_);
        gifFrame.SetDisposal(3);
    }
    if (written_ == 0) {
        image_.SetLooping(true);
        image_.SetRepeatCount(30000);
        image_.SetBackgroundColor(background_);
        image_.SaveToFileStreamStage(*stream_, 0);
    }
    image_.SaveToFileStreamStage(*stream_, 1);
    ++written_;
}

void TkvnGifWriter::Finish()
{
    image_.SaveToFileStreamStage(*stream_, 2);
}
