#include "lcd/LCDModel.h"

#include "lcd/Glyphs.h"
#include "lcd/LCDScript.h"
#include "platform/MessageBox.h"
#include "platform/MulDiv.h"

#include <algorithm>
#include <cstdlib>

namespace lcd {
namespace {

int ClampByte(int value, int low = 0) { return std::clamp(value, low, 255); }

void Refuse(const char* text) { platform::ShowErrorText(text); }

// Sets `field` and tells whether it changed.
template <typename T>
bool Store(T& field, const T& value)
{
    if (field == value) return false;
    field = value;
    return true;
}

}  // namespace

TLCDModel::TLCDModel()
{
    ComputeColors();
    ResetDisplay();
}

TLCDModel::~TLCDModel()
{
    if (animator_) std::erase(animator_->screens_, this);
}

void TLCDModel::SetLines(StringList lines)
{
    lines_ = std::move(lines);
    ResetDisplay();
    TextChanged();
}

void TLCDModel::SetNoOfLines(int value)
{
    if (value <= 0) return Refuse("Display needs at least one line!");
    if (!Store(noOfLines_, ClampByte(value, 1))) return;
    GridChanged();
}

void TLCDModel::SetNoOfChars(int value)
{
    if (value <= 0) return Refuse("Display needs at least one character!");
    if (!Store(noOfChars_, ClampByte(value, 1))) return;
    GridChanged();
}

// A running animation starts again from the unscrolled text; a still display keeps what it
// shows but is padded to the new grid, so that it wraps at the right edge once it scrolls.
void TLCDModel::GridChanged()
{
    if (animationEnabled_) return ResetDisplay();
    PadDisplayLines();
    Repaint();
}

void TLCDModel::SetDotMatrix(TDotMatrix value)
{
    if (Store(dotMatrix_, value)) BuildCellBitmaps();
}

void TLCDModel::SetDotMatrixBorders(TDotMatrixBorders value)
{
    if (Store(dotMatrixBorders_, value)) BuildCellBitmaps();
}

void TLCDModel::SetPixelSize(TPixelSize value)
{
    if (Store(pixelSize_, TPixelSize(std::min<int>(value, pix16x16)))) BuildCellBitmaps();
}

void TLCDModel::SetPixelWidth(int value)
{
    if (pixelSize_ != pixCustom) return;
    if (value <= 0) return Refuse("Display pixel width must be 1 or more!");
    if (Store(pixelWidth_, ClampByte(value, 1))) BuildCellBitmaps();
}

void TLCDModel::SetPixelHeight(int value)
{
    if (pixelSize_ != pixCustom) return;
    if (value <= 0) return Refuse("Display pixel height must be 1 or more!");
    if (Store(pixelHeight_, ClampByte(value, 1))) BuildCellBitmaps();
}

void TLCDModel::SetPixelShape(TPixelShape value)
{
    if (!Store(pixelShape_, value)) return;
    BuildCellBitmaps();
    Repaint();
}

void TLCDModel::SetPixelSpacing(int value)
{
    if (Store(pixelSpacing_, ClampByte(value))) BuildCellBitmaps();
}

void TLCDModel::SetCharSpacing(int value)
{
    if (Store(charSpacing_, ClampByte(value))) Repaint();
}

void TLCDModel::SetLineSpacing(int value)
{
    if (Store(lineSpacing_, ClampByte(value))) Repaint();
}

void TLCDModel::SetBorderSpace(int value)
{
    if (Store(borderSpace_, ClampByte(value))) Repaint();
}

void TLCDModel::SetBorderStyle(TLCDBorder value)
{
    if (Store(borderStyle_, value)) Repaint();
}

void TLCDModel::SetBorderColor(TColor value)
{
    if (Store(borderColor_, value)) Repaint();
}

void TLCDModel::SetColor(TColor value)
{
    if (!Store(color_, value)) return;
    BuildCellBitmaps();
    RepaintUnlessAnimated();
}

void TLCDModel::SetSpecialEffects(TSpecialEffects value)
{
    if (!Store(specialEffects_, value)) return;
    BuildCellBitmaps();
    RepaintUnlessAnimated();
}

void TLCDModel::SetPixelOn(TColor value)
{
    if (!Store(pixelOn_, value)) return;
    ComputeColors();
    RepaintUnlessAnimated();
}

void TLCDModel::SetPixelOff(TColor value)
{
    if (!Store(pixelOff_, value)) return;
    ComputeColors();
    RepaintUnlessAnimated();
}

void TLCDModel::SetIntensity(int value)
{
    if (!Store(intensity_, std::clamp(value, -128, 127))) return;
    ComputeColors();
    RepaintUnlessAnimated();
}

void TLCDModel::SetHorzScrollMode(THorzScrollMode value)
{
    if (Store(horzScrollMode_, value)) ResetDisplay();
}

void TLCDModel::SetLCDAnimator(TLCDAnimator* animator)
{
    if (animator == animator_) return;
    if (animator_) std::erase(animator_->screens_, this);
    if (animator) {
        infoPos_ = 0;
        tickHandler_ = TickHandler::Script;
        PadDisplayLines();
        animator->screens_.push_back(this);
    }
    animator_ = animator;
}

void TLCDModel::SetAnimationDelay(uint32_t value)
{
    if (Store(animationDelay_, value)) AnimationTimerChanged();
}

void TLCDModel::SetAnimationEnabled(bool value)
{
    if (Store(animationEnabled_, value)) AnimationTimerChanged();
}

void TLCDModel::SetAnimationRepeating(bool value) { animationRepeating_ = value; }

void TLCDModel::RepaintUnlessAnimated()
{
    // A running animation repaints on its next tick anyway.
    if (!animationEnabled_) Repaint();
}

// Lit dots are the off colour moved towards the on colour by the intensity; the parts wrap to
// their low byte. A negative intensity swaps the roles of the two colours.
void TLCDModel::ComputeColors()
{
    const int scale = 129 - std::abs(intensity_);
    auto part = [scale](uint8_t on, uint8_t off) {
        return static_cast<uint8_t>(platform::MulDiv(int(off) - int(on), scale, 128) & 0xFF);
    };
    TColor computed{part(pixelOn_.r, pixelOff_.r), part(pixelOn_.g, pixelOff_.g), part(pixelOn_.b, pixelOff_.b)};
    if (intensity_ >= 0) {
        litColor_ = computed;
        unlitColor_ = pixelOff_;
    } else {
        litColor_ = pixelOff_;
        unlitColor_ = computed;
    }
    BuildCellBitmaps();
}

void TLCDModel::BuildCellBitmaps()
{
    TGlyphGrid grid = GlyphGrid(dotMatrix_);
    dotCols_ = grid.cols + (dotMatrixBorders_.Has(mbLeft) ? 1 : 0) + (dotMatrixBorders_.Has(mbRight) ? 1 : 0);
    dotRows_ = grid.rows + (dotMatrixBorders_.Has(mbTop) ? 1 : 0) + (dotMatrixBorders_.Has(mbBottom) ? 1 : 0);
    CellImagesChanged();
}

TControlSize TLCDModel::RecalcSize(int width, int height)
{
    if (pixelSize_ != pixCustom) {
        pixelWidth_ = pixelHeight_ = int(pixelSize_);
    }
    dotWidth_ = pixelWidth_;
    dotHeight_ = pixelHeight_;
    cellWidth_ = dotCols_ * dotWidth_ + (dotCols_ - 1) * pixelSpacing_;
    cellHeight_ = dotRows_ * dotHeight_ + (dotRows_ - 1) * pixelSpacing_;

    bool gridChanged = false;
    if (width != lastSize_.width || height != lastSize_.height) {
        int chars = std::max(1, (width + charSpacing_ - 2 * borderSpace_) / (charSpacing_ + cellWidth_));
        int lines = std::max(1, (height + lineSpacing_ - 2 * borderSpace_) / (lineSpacing_ + cellHeight_));
        gridChanged = Store(noOfChars_, ClampByte(chars, 1));
        gridChanged = Store(noOfLines_, ClampByte(lines, 1)) || gridChanged;
    }

    lastSize_.width = charSpacing_ * (noOfChars_ - 1) + 2 * borderSpace_ + noOfChars_ * cellWidth_ + 2;
    lastSize_.height = std::max(0, noOfLines_ - 1) * lineSpacing_ + 2 * borderSpace_ + noOfLines_ * cellHeight_ + 2;
    // Only now, with the new size in place, may the display be redrawn.
    if (gridChanged) GridChanged();
    return lastSize_;
}

void TLCDModel::ResetDisplay()
{
    displayLines_ = lines_;
    PadDisplayLines();
    Repaint();
}

void TLCDModel::PadDisplayLines()
{
    lcd::PadDisplayLines(displayLines_, lines_, noOfLines_, noOfChars_, horzScrollMode_);
}

void TLCDModel::HorzScroll(int n) { lcd::HorzScroll(displayLines_, noOfLines_, n); }

void TLCDModel::VertScroll(int n) { lcd::VertScroll(displayLines_, n); }

std::vector<TCellLook> TLCDModel::LineCells(int line) const
{
    const std::string* text = line >= 0 && size_t(line) < displayLines_.size() ? &displayLines_[size_t(line)] : nullptr;
    return lcd::LineCells(text, noOfChars_, specialEffects_, blinkPhase_, infoPos_);
}

void TLCDModel::TimerTick()
{
    switch (tickHandler_) {
    case TickHandler::InfoPanelOn: return InfoPanelOnTick();
    case TickHandler::InfoPanelOff: return InfoPanelOffTick();
    case TickHandler::Script: return AnimationTick();
    }
}

void TLCDModel::AnimationTick()
{
    if (!animator_) return;
    blinkPhase_ = !blinkPhase_;

    const int current = animator_->CurrentLine();
    // A line index outside the script (the script was shortened, or the index was set to the
    // number of lines or below 0) runs no command; the script moves on as usual.
    const bool inScript = current >= 0 && size_t(current) < animator_->Code.size();
    const std::string line = inScript ? animator_->Code[size_t(current)] : std::string();
    // Parsing throws before any command of the line runs.
    for (const TLCDCommand& command : ParseCodeLine(line, CountCommands(line))) {
        RunCommand(command);
        if (!animator_) return;  // a command cannot unlink it, but stay safe
    }

    if (animator_->OnLineExecuted) animator_->OnLineExecuted(*animator_, animator_->CurrentLine());
    if (TLCDAnimator* animator = animator_) {
        const int last = int(animator->Code.size()) - 1;
        if (animator->CurrentLine() == last) {
            animator->SetCurrentLine(0);
            if (!animationRepeating_) SetAnimationEnabled(false);
            if (animator->OnEndCode) animator->OnEndCode(*animator);
        } else {
            animator->SetCurrentLine(animator->CurrentLine() + 1);
        }
    }
    Repaint();
}

void TLCDModel::RunCommand(const TLCDCommand& command)
{
    const std::string& name = command.name;
    const int32_t n = command.argument;
    if (name == "horzscroll") {
        HorzScroll(int8_t(n));
    } else if (name == "vertscroll") {
        VertScroll(int8_t(n));
    } else if (name == "setintensity") {
        SetIntensity(int8_t(n));
    } else if (name == "animationdelay") {
        SetAnimationDelay(uint32_t(n));
    } else if (name == "gotoline") {
        animator_->SetCurrentLine(std::min(n, int32_t(animator_->Code.size())));
    } else if (name == "resetdisplay") {
        ResetDisplay();
    } else if (name == "infopanelon") {
        if (infoPos_ == 0) infoPos_ = 1;
        tickHandler_ = TickHandler::InfoPanelOn;
        InfoPanelOnTick();
    } else if (name == "infopaneloff") {
        if (infoPos_ == 0) infoPos_ = 1;
        tickHandler_ = TickHandler::InfoPanelOff;
        InfoPanelOffTick();
    }
}

void TLCDModel::InfoPanelOnTick()
{
    InfoPanelOnStep(displayLines_, lines_, noOfLines_, infoPos_);
    EndPanelStep();
}

void TLCDModel::InfoPanelOffTick()
{
    InfoPanelOffStep(displayLines_, infoPos_);
    EndPanelStep();
}

void TLCDModel::EndPanelStep()
{
    Repaint();
    ++infoPos_;
    if (infoPos_ >= noOfChars_ + 2) {
        tickHandler_ = TickHandler::Script;
        infoPos_ = 0;
    }
}

}  // namespace lcd
