#include "Previewer.h"

#include "FFUtils.h"
#include "MyUtils.h"

TPreviewer::~TPreviewer()
{
    RunInMainThread([this] {
        if (!form_) return;
        Application->OnMessage = previousOnMessage_;
        form_.reset();
    });
}

bool TPreviewer::Show(const TBitmap& bitmap, int frameNumber, int64_t time)
{
    if (closed_) return false;
    bitmap_.Assign(&bitmap);
    frameNumber_ = frameNumber;
    time_ = time;
    RunInMainThread([this] { Paint(); });
    return !closed_;
}

void TPreviewer::Paint()
{
    if (closed_) return;
    if (!form_) {
        form_.reset(TForm::CreateNew(nullptr));
        form_->SetFormStyle(fsStayOnTop);
        form_->SetBorderStyle(bsToolWindow);
        form_->SetBorderIcons(biSystemMenu);
        form_->SetPosition(poScreenCenter);
        form_->SetClientWidth(bitmap_.Width());
        form_->SetClientHeight(bitmap_.Height());
        form_->OnCloseQuery = [this](TObject*, bool&) { closed_ = true; };
        form_->OnPaint = [this](TObject*) { form_->Canvas()->Draw(0, 0, bitmap_); };
        form_->Show();
        handle_ = form_->Handle();
        previousOnMessage_ = Application->OnMessage;
        Application->OnMessage = [this](MSG& message, bool& handled) { HandleMessage(message, handled); };
    }
    form_->SetCaption(FormatTime(time_));
    form_->Canvas()->Draw(0, 0, bitmap_);
}

void TPreviewer::HandleMessage(MSG& message, bool& handled)
{
    // The window is dragged by its picture.
    if (message.hwnd == handle_ && message.message == WM_LBUTTONDOWN) {
        ReleaseCapture();
        SendMessageW(handle_, WM_NCLBUTTONDOWN, HTCAPTION, static_cast<LPARAM>(GetMessagePos()));
        handled = true;
    } else if (previousOnMessage_) {
        previousOnMessage_(message, handled);
    }
}
