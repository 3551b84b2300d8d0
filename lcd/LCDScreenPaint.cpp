// Drawing of the display: the two prepared cell images, the border and the character cells.
#include "lcd/Glyphs.h"
#include "lcd/LCDScreen.h"

#include <QPainter>
#include <QPalette>

namespace lcd {
namespace {

QColor ToColor(TColor c) { return QColor(c.r, c.g, c.b); }

struct TDotLook {
    int dotWidth, dotHeight, spacing;
    bool round;
};

// Dot (column, row) of a cell covers dotWidth x dotHeight pixels; a dot of one pixel is
// that pixel whatever its shape.
void DrawDot(QPainter& painter, const TDotLook& look, int x, int y, int col, int row, const QColor& color)
{
    QRect rect(x + col * (look.dotWidth + look.spacing), y + row * (look.dotHeight + look.spacing),
               look.dotWidth, look.dotHeight);
    if (look.round && rect.width() * rect.height() > 1) {
        painter.setBrush(color);
        painter.drawEllipse(rect);
    } else {
        painter.fillRect(rect, color);
    }
}

}  // namespace

void TLCDScreen::BuildCellImages()
{
    const int w = std::max(1, CellWidth()), h = std::max(1, CellHeight());
    const TDotLook look{DotWidth(), DotHeight(), PixelSpacing(), PixelShape() == psRound};

    blankCell_ = QImage(w, h, QImage::Format_RGB32);
    blankCell_.fill(ToColor(Color()));
    {
        QPainter painter(&blankCell_);
        painter.setPen(Qt::NoPen);
        for (int r = 0; r < DotRows(); ++r)
            for (int c = 0; c < DotCols(); ++c) DrawDot(painter, look, 0, 0, c, r, ToColor(UnlitColor()));
    }
    litCell_ = blankCell_.copy();
    {
        QPainter painter(&litCell_);
        painter.setPen(Qt::NoPen);
        for (int r = 0; r < DotRows(); ++r)
            for (int c = 0; c < DotCols(); ++c) DrawDot(painter, look, 0, 0, c, r, ToColor(LitColor()));
    }
}

void TLCDScreen::Paint()
{
    SyncSize();
    if (frame_.size() != size()) frame_ = QImage(size(), QImage::Format_RGB32);
    frame_.fill(ToColor(Color()));
    DrawBorder(frame_);
    // A disabled display shows its background and border only.
    if (isEnabled()) DrawLines(frame_);
}

void TLCDScreen::DrawBorder(QImage& image) const
{
    if (BorderStyle() == bsNone || image.isNull()) return;
    QColor shadow = palette().color(QPalette::Dark);
    QColor highlight = palette().color(QPalette::Light);
    QColor bottomRight = shadow, topLeft = highlight;
    if (BorderStyle() == bsLowered) std::swap(bottomRight, topLeft);
    if (BorderStyle() == bsSingle) bottomRight = topLeft = ToColor(BorderColor());

    const int w = image.width(), h = image.height();
    QPainter painter(&image);
    // Right and bottom edge first, then top and left edge, each drawn from the top-right corner.
    painter.fillRect(QRect(w - 1, 0, 1, h), bottomRight);
    painter.fillRect(QRect(0, h - 1, w, 1), bottomRight);
    painter.fillRect(QRect(0, 0, w, 1), topLeft);
    painter.fillRect(QRect(0, 0, 1, h), topLeft);
}

void TLCDScreen::DrawLines(QImage& image) const
{
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    int y = BorderSpace() + 1;
    for (int i = 0; i < NoOfLines(); ++i) {
        int x = BorderSpace() + 1;
        for (const TCellLook& cell : LineCells(i)) {
            DrawCell(painter, cell.code, cell.inverse, x, y);
            x += CellWidth() + CharSpacing();
        }
        y += CellHeight() + LineSpacing();
    }
}

void TLCDScreen::DrawCell(QPainter& painter, uint8_t code, bool inverse, int x, int y) const
{
    const bool onLit = inverse || code == 255;
    painter.drawImage(x, y, onLit ? litCell_ : blankCell_);

    // Spaces, code 255 and codes without a shape are the plain cell.
    const uint8_t* dots = code == 32 ? nullptr : GlyphDots(DotMatrix(), code);
    if (!dots) return;

    const TGlyphGrid grid = GlyphGrid(DotMatrix());
    const int firstCol = DotMatrixBorders().Has(mbLeft) ? 1 : 0;
    const int firstRow = DotMatrixBorders().Has(mbTop) ? 1 : 0;
    // Lit glyph dots are round for both psShaped and psRound.
    const TDotLook look{DotWidth(), DotHeight(), PixelSpacing(), PixelShape() != psSquare};
    const QColor color = ToColor(onLit ? UnlitColor() : LitColor());
    for (int r = 0; r < grid.rows; ++r)
        for (int c = 0; c < grid.cols; ++c)
            if (dots[r * grid.cols + c]) DrawDot(painter, look, x, y, firstCol + c, firstRow + r, color);
}

}  // namespace lcd
