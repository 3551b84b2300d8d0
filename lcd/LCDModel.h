#pragma once
// Everything of the dot-matrix display except the drawing: its published properties with their
// checks and side effects, the cell geometry, the colours of lit and unlit dots, the displayed
// text and the animation ticks that scroll it. The widget (TLCDScreen) derives from this and
// does the drawing in the three hooks at the bottom; tests use the model on its own.
#include "lcd/LCDAnimator.h"
#include "lcd/LCDText.h"
#include "lcd/LCDTypes.h"
#include "platform/Strings.h"

#include <cstdint>
#include <vector>

namespace lcd {

struct TControlSize {
    int width = 0;
    int height = 0;
    bool operator==(const TControlSize&) const = default;
};

struct TLCDCommand;

class TLCDModel {
public:
    TLCDModel();
    virtual ~TLCDModel();
    TLCDModel(const TLCDModel&) = delete;
    TLCDModel& operator=(const TLCDModel&) = delete;

    // The text; every assignment rebuilds DisplayLines.
    const StringList& Lines() const { return lines_; }
    void SetLines(StringList lines);
    // The working copy that is drawn and that the animation scrolls.
    const StringList& DisplayLines() const { return displayLines_; }

    // Byte-sized settings take 0 (or 1) to 255; larger values are cut to 255.
    int NoOfLines() const { return noOfLines_; }
    void SetNoOfLines(int value);  // 0 or less is refused with an error box
    int NoOfChars() const { return noOfChars_; }
    void SetNoOfChars(int value);  // 0 or less is refused with an error box
    TDotMatrix DotMatrix() const { return dotMatrix_; }
    void SetDotMatrix(TDotMatrix value);
    TDotMatrixBorders DotMatrixBorders() const { return dotMatrixBorders_; }
    void SetDotMatrixBorders(TDotMatrixBorders value);
    TPixelSize PixelSize() const { return pixelSize_; }
    void SetPixelSize(TPixelSize value);
    int PixelWidth() const { return pixelWidth_; }
    void SetPixelWidth(int value);  // only with pixCustom; 0 or less is refused with an error box
    int PixelHeight() const { return pixelHeight_; }
    void SetPixelHeight(int value);  // only with pixCustom; 0 or less is refused with an error box
    TPixelShape PixelShape() const { return pixelShape_; }
    void SetPixelShape(TPixelShape value);
    int PixelSpacing() const { return pixelSpacing_; }
    void SetPixelSpacing(int value);
    int CharSpacing() const { return charSpacing_; }
    void SetCharSpacing(int value);
    int LineSpacing() const { return lineSpacing_; }
    void SetLineSpacing(int value);
    int BorderSpace() const { return borderSpace_; }
    void SetBorderSpace(int value);
    TLCDBorder BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TLCDBorder value);
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TColor PixelOn() const { return pixelOn_; }
    void SetPixelOn(TColor value);
    TColor PixelOff() const { return pixelOff_; }
    void SetPixelOff(TColor value);
    int Intensity() const { return intensity_; }
    void SetIntensity(int value);  // -128 to 127; a negative value swaps lit and unlit
    TSpecialEffects SpecialEffects() const { return specialEffects_; }
    void SetSpecialEffects(TSpecialEffects value);
    THorzScrollMode HorzScrollMode() const { return horzScrollMode_; }
    void SetHorzScrollMode(THorzScrollMode value);

    TLCDAnimator* LCDAnimator() const { return animator_; }
    void SetLCDAnimator(TLCDAnimator* animator);
    uint32_t AnimationDelay() const { return animationDelay_; }  // ms between ticks
    void SetAnimationDelay(uint32_t value);
    bool AnimationEnabled() const { return animationEnabled_; }  // the animation timer runs
    void SetAnimationEnabled(bool value);
    bool AnimationRepeating() const { return animationRepeating_; }
    void SetAnimationRepeating(bool value);

    // Derived state.
    TColor LitColor() const { return litColor_; }
    TColor UnlitColor() const { return unlitColor_; }
    int DotCols() const { return dotCols_; }
    int DotRows() const { return dotRows_; }
    int DotWidth() const { return dotWidth_; }
    int DotHeight() const { return dotHeight_; }
    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }
    TControlSize LastSize() const { return lastSize_; }
    bool BlinkPhase() const { return blinkPhase_; }
    int InfoPos() const { return infoPos_; }  // column of a running panel wipe, 0 when none

    // Rebuilds DisplayLines from Lines and repaints.
    void ResetDisplay();
    void PadDisplayLines();
    void HorzScroll(int n);
    void VertScroll(int n);

    // One tick of the animation timer: the script's next line, or the next step of a running
    // panel wipe. A bad script line throws EConvertError, and does so again on the next tick.
    void TimerTick();

    // Fits the text grid and the control size to each other: a size other than the last one
    // seen (the user or the owner resized the control) sets NoOfChars and NoOfLines; the result
    // is the size of that grid exactly.
    TControlSize RecalcSize(int width, int height);

    // The cells of display line i as they are to be drawn.
    std::vector<TCellLook> LineCells(int line) const;

protected:
    // Drawing hooks. The model calls them where the display would have to be drawn again;
    // the defaults only keep the geometry up to date.
    virtual void Repaint() {}
    virtual void CellImagesChanged() { RecalcSize(lastSize_.width, lastSize_.height); }
    virtual void AnimationTimerChanged() {}
    // The text (Lines) was assigned; the animation's scrolling is not a change of text.
    virtual void TextChanged() {}

private:
    enum class TickHandler { Script, InfoPanelOn, InfoPanelOff };

    void ComputeColors();
    void BuildCellBitmaps();
    void GridChanged();
    void RepaintUnlessAnimated();
    void AnimationTick();
    void InfoPanelOnTick();
    void InfoPanelOffTick();
    void EndPanelStep();
    void RunCommand(const TLCDCommand& command);

    StringList lines_;
    StringList displayLines_;
    int noOfLines_ = 1;
    int noOfChars_ = 10;
    TDotMatrix dotMatrix_ = mat5x7;
    TDotMatrixBorders dotMatrixBorders_;
    TPixelSize pixelSize_ = pixCustom;
    int pixelWidth_ = 2;
    int pixelHeight_ = 2;
    TPixelShape pixelShape_ = psSquare;
    int pixelSpacing_ = 1;
    int charSpacing_ = 1;
    int lineSpacing_ = 1;
    int borderSpace_ = 3;
    TLCDBorder borderStyle_ = bsLowered;
    TColor borderColor_ = clBlack;
    TColor color_ = clSilver;
    TColor pixelOn_ = clBlack;
    TColor pixelOff_ = {170, 170, 170};
    int intensity_ = 127;
    TSpecialEffects specialEffects_;
    THorzScrollMode horzScrollMode_ = smIndependant;
    TLCDAnimator* animator_ = nullptr;
    uint32_t animationDelay_ = 250;
    bool animationEnabled_ = false;
    bool animationRepeating_ = false;

    TColor litColor_, unlitColor_;
    int dotCols_ = 5, dotRows_ = 7;
    int dotWidth_ = 2, dotHeight_ = 2;
    int cellWidth_ = 0, cellHeight_ = 0;
    TControlSize lastSize_;
    bool blinkPhase_ = false;
    int infoPos_ = 0;
    TickHandler tickHandler_ = TickHandler::Script;
};

}  // namespace lcd
