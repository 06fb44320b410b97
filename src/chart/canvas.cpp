#include "chart/canvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPolygon>
#include <cmath>
#include <numbers>

namespace brine::chart {

namespace {

QPainter::CompositionMode compositionOf(TPenMode mode) {
    switch (mode) {
        case pmNot: return QPainter::RasterOp_NotDestination;
        case pmNotCopy: return QPainter::RasterOp_NotSource;
        case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
        case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
        case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
        case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
        case pmMerge: return QPainter::RasterOp_SourceOrDestination;
        case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
        case pmMask: return QPainter::RasterOp_SourceAndDestination;
        case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
        case pmXor: return QPainter::RasterOp_SourceXorDestination;
        case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
        default: return QPainter::CompositionMode_SourceOver;
    }
}

// The mode's fixed colour, if it has one.
std::optional<QColor> modeColour(TPenMode mode) {
    if (mode == pmBlack) return QColor(Qt::black);
    if (mode == pmWhite) return QColor(Qt::white);
    return std::nullopt;
}

QPolygon toPolygon(const TPoint* points, int count) {
    QPolygon poly;
    if (!points || count <= 0) return poly;
    poly.reserve(count);
    for (int i = 0; i < count; ++i) poly << QPoint(points[i].X, points[i].Y);
    return poly;
}

// The box of a shape whose right and bottom edges lie outside it.
QRectF shapeBox(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    return QRectF(left, top, std::max(0, right - 1 - left), std::max(0, bottom - 1 - top));
}

}  // namespace

QRegion RegionOfPath(const QPainterPath& path, const QRect& limit) {
    const QRect box = path.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1).intersected(limit);
    QRegion region;
    if (box.isEmpty()) return region;
    QImage mask(box.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.translate(-box.topLeft());
        p.fillPath(path, Qt::black);
    }
    for (int y = 0; y < mask.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        int x = 0;
        while (x < mask.width()) {
            while (x < mask.width() && qAlpha(line[x]) == 0) ++x;
            const int start = x;
            while (x < mask.width() && qAlpha(line[x]) != 0) ++x;
            if (x > start) region += QRect(box.left() + start, box.top() + y, x - start, 1);
        }
    }
    return region;
}

TCanvas::TCanvas(QPaintDevice* device) : device_(device) {
    font_.OnChange = [this] { onFontChanged(); };
}

TCanvas::~TCanvas() { releasePainter(); }

QSize TCanvas::DeviceSize() const { return device_ ? QSize(device_->width(), device_->height()) : QSize(); }

void TCanvas::releasePainter() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

QImage* TCanvas::image() const {
    return device_ && device_->devType() == QInternal::Image ? static_cast<QImage*>(device_) : nullptr;
}

QPainter* TCanvas::painter() {
    if (painter_) return painter_.get();
    if (!device_ || device_->width() <= 0 || device_->height() <= 0) return nullptr;
    auto p = std::make_unique<QPainter>();
    if (!p->begin(device_)) return nullptr;
    p->setRenderHint(QPainter::Antialiasing, false);
    if (clip_) p->setClipRegion(*clip_);
    painter_ = std::move(p);
    return painter_.get();
}

void TCanvas::onFontChanged() { textColor_ = font_.Color(); }

// ---- state

void TCanvas::setBackColor(TColor c) { backColor_ = c; }

void TCanvas::setBackMode(int mode) { backMode_ = mode == OPAQUE ? OPAQUE : TRANSPARENT; }

std::optional<TLogFont> TCanvas::selectFont(std::optional<TLogFont> font) {
    std::swap(selectedFont_, font);
    return font;
}

QFont TCanvas::currentFont() const {
    return (selectedFont_ ? *selectedFont_ : font_.GetLogFont()).ToQFont(characterExtra_);
}

QPen TCanvas::currentPen() const {
    QPen p = pen_.Handle();
    if (auto c = modeColour(pen_.Mode()); c && p.style() != Qt::NoPen) p.setColor(*c);
    return p;
}

static QBrush brushOf(const TBrush& brush) {
    if (brush.HasBitmap()) return QBrush(brush.Bitmap());
    const QColor c = ToQColor(brush.Color());
    switch (brush.Style()) {
        case bsSolid: return QBrush(c);
        case bsClear: return QBrush(Qt::NoBrush);
        case bsHorizontal: return QBrush(c, Qt::HorPattern);
        case bsVertical: return QBrush(c, Qt::VerPattern);
        case bsFDiagonal: return QBrush(c, Qt::FDiagPattern);
        case bsBDiagonal: return QBrush(c, Qt::BDiagPattern);
        case bsCross: return QBrush(c, Qt::CrossPattern);
        case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
    }
    return QBrush(c);
}

QBrush TCanvas::currentBrush() const {
    QBrush b = dcBrushSelected_ ? QBrush(ToQColor(dcBrushColor_)) : brushOf(brush_);
    if (auto c = modeColour(pen_.Mode()); c && b.style() != Qt::NoBrush) b = QBrush(*c);
    return b;
}

bool TCanvas::applyPen(QPainter& p) {
    if (pen_.Mode() == pmNop) return false;
    p.setCompositionMode(compositionOf(pen_.Mode()));
    p.setPen(currentPen());
    p.setBackgroundMode(backMode_ == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    p.setBackground(ToQColor(backColor_));
    return true;
}

void TCanvas::applyBrush(QPainter& p) { p.setBrush(currentBrush()); }

// ---- clipping

void TCanvas::selectClipRegion(const std::optional<QRegion>& region) {
    clip_ = region;
    if (!painter_) return;
    if (clip_)
        painter_->setClipRegion(*clip_);
    else
        painter_->setClipping(false);
}

void TCanvas::combineClipRegion(const QRegion& region, ClipCombine how) {
    const QRegion whole(QRect(QPoint(0, 0), DeviceSize()));
    const QRegion base = clip_ ? *clip_ : whole;
    QRegion result;
    switch (how) {
        case ClipCombine::And: result = base.intersected(region); break;
        case ClipCombine::Or: result = base.united(region); break;
        case ClipCombine::Xor: result = base.xored(region); break;
        case ClipCombine::Diff: result = base.subtracted(region); break;
        case ClipCombine::Copy: result = region; break;
    }
    selectClipRegion(result);
}

// ---- primitives

void TCanvas::drawShape(const QPainterPath& shape) {
    if (recordingPath_) {
        path_.addPath(shape);
        return;
    }
    QPainter* p = painter();
    if (!p || !applyPen(*p)) return;
    applyBrush(*p);
    QPainterPath path = shape;
    path.setFillRule(Qt::OddEvenFill);
    p->drawPath(path);
}

void TCanvas::moveTo(int x, int y) {
    penPos_ = {x, y};
    if (recordingPath_) path_.moveTo(x, y);
}

void TCanvas::lineTo(int x, int y) {
    if (recordingPath_) {
        if (path_.elementCount() == 0) path_.moveTo(penPos_.X, penPos_.Y);
        path_.lineTo(x, y);
    } else if (QPainter* p = painter(); p && applyPen(*p)) {
        p->drawLine(QPoint(penPos_.X, penPos_.Y), QPoint(x, y));
    }
    penPos_ = {x, y};
}

void TCanvas::polyline(const TPoint* points, int count) {
    const QPolygon poly = toPolygon(points, count);
    if (poly.size() < 2) return;
    if (recordingPath_) {
        path_.moveTo(poly.first());
        for (int i = 1; i < poly.size(); ++i) path_.lineTo(poly[i]);
        return;
    }
    if (QPainter* p = painter(); p && applyPen(*p)) p->drawPolyline(poly);
}

void TCanvas::polygon(const TPoint* points, int count) {
    const QPolygon poly = toPolygon(points, count);
    if (poly.size() < 2) return;
    QPainterPath path;
    path.addPolygon(QPolygonF(poly));
    path.closeSubpath();
    drawShape(path);
}

void TCanvas::rectangle(int left, int top, int right, int bottom) {
    QPainterPath path;
    path.addRect(shapeBox(left, top, right, bottom));
    drawShape(path);
}

void TCanvas::ellipse(int left, int top, int right, int bottom) {
    QPainterPath path;
    QRectF box = shapeBox(left, top, right, bottom);
    // An outline through the pixel centres covers left..right - 1 like a
    // rectangle's; through the pixel edges its far side would fall short.
    if (!recordingPath_ && currentPen().style() != Qt::NoPen) box.translate(0.5, 0.5);
    path.addEllipse(box);
    drawShape(path);
}

void TCanvas::roundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
    QPainterPath path;
    path.addRoundedRect(shapeBox(left, top, right, bottom), std::abs(cornerWidth) / 2.0,
                        std::abs(cornerHeight) / 2.0);
    drawShape(path);
}

// The arc of the box's ellipse from the ray through (x3, y3) to the ray
// through (x4, y4), in the current direction; with connect, a line leads
// from the path's current point to the start of the arc.
void TCanvas::arcPath(QPainterPath& path, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                      bool connect) const {
    const QRectF box = shapeBox(x1, y1, x2, y2);
    const QPointF c = box.center();
    const double rx = box.width() / 2, ry = box.height() / 2;
    // Qt places arc angles on the ellipse parametrically; a ray's angle is
    // turned into the parameter of the point where it meets the ellipse.
    auto parameter = [&](int px, int py) {
        const double dx = px - c.x(), dy = c.y() - py;
        const double t = (rx > 0 && ry > 0) ? std::atan2(dy / ry, dx / rx) : std::atan2(dy, dx);
        return t * 180 / std::numbers::pi;
    };
    const double start = parameter(x3, y3);
    double sweep = parameter(x4, y4) - start;
    if (arcDirection_ == ArcDirection::CounterClockwise) {
        while (sweep <= 0) sweep += 360;
    } else {
        while (sweep >= 0) sweep -= 360;
    }
    const double rad = start * std::numbers::pi / 180;
    const QPointF first(c.x() + rx * std::cos(rad), c.y() - ry * std::sin(rad));
    if (connect && path.elementCount() > 0)
        path.lineTo(first);
    else
        path.moveTo(first);
    path.arcTo(box, start, sweep);
}

void TCanvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    QPainterPath path;
    arcPath(path, x1, y1, x2, y2, x3, y3, x4, y4, false);
    if (recordingPath_) {
        path_.addPath(path);
        return;
    }
    if (QPainter* p = painter(); p && applyPen(*p)) p->strokePath(path, currentPen());
}

void TCanvas::arcTo(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    if (recordingPath_) {
        if (path_.elementCount() == 0) path_.moveTo(penPos_.X, penPos_.Y);
        arcPath(path_, x1, y1, x2, y2, x3, y3, x4, y4, true);
        const QPointF end = path_.currentPosition();
        penPos_ = {Round(end.x()), Round(end.y())};
        return;
    }
    QPainterPath path;
    path.moveTo(penPos_.X, penPos_.Y);
    arcPath(path, x1, y1, x2, y2, x3, y3, x4, y4, true);
    const QPointF end = path.currentPosition();
    penPos_ = {Round(end.x()), Round(end.y())};
    if (QPainter* p = painter(); p && applyPen(*p)) p->strokePath(path, currentPen());
}

void TCanvas::pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const QPointF c = shapeBox(x1, y1, x2, y2).center();
    QPainterPath path;
    path.moveTo(c);
    arcPath(path, x1, y1, x2, y2, x3, y3, x4, y4, true);
    path.closeSubpath();
    drawShape(path);
}

void TCanvas::fillRect(const TRect& r, const TBrush& brush) {
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    QPainter* p = painter();
    if (!p) return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setBackgroundMode(backMode_ == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    p->setBackground(ToQColor(backColor_));
    p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), brushOf(brush));
}

void TCanvas::patBlt(int x, int y, int width, int height) {
    QPainter* p = painter();
    if (!p || width == 0 || height == 0) return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setBackgroundMode(backMode_ == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    p->setBackground(ToQColor(backColor_));
    p->fillRect(QRect(x, y, width, height).normalized(), currentBrush());
}

TextSize TCanvas::textExtent(const QString& text) {
    const QFontMetrics fm(currentFont());
    return {fm.horizontalAdvance(text), fm.height()};
}

void TCanvas::textOut(int x, int y, const QString& text) {
    const QFont font = currentFont();
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(text);
    const bool updateCP = textAlign_ & TA_UPDATECP;
    if (updateCP) {
        x = penPos_.X;
        y = penPos_.Y;
    }
    double dx = 0;
    switch (textAlign_ & TA_CENTER) {
        case TA_RIGHT: dx = -width; break;
        case TA_CENTER: dx = -(width / 2); break;
        default: break;
    }
    double dy = fm.ascent();
    if ((textAlign_ & TA_BASELINE) == TA_BASELINE)
        dy = 0;
    else if (textAlign_ & TA_BOTTOM)
        dy = -fm.descent();
    const double angle = selectedFont_ ? selectedFont_->Escapement / 10.0 : 0.0;
    QTransform at;
    at.translate(x, y);
    at.rotate(-angle);
    if (updateCP && (textAlign_ & TA_CENTER) == TA_LEFT) penPos_.X += width;

    if (recordingPath_) {
        QPainterPath glyphs;
        glyphs.addText(dx, dy, font, text);
        path_.addPath(at.map(glyphs));
        return;
    }
    QPainter* p = painter();
    if (!p) return;
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    // The opaque box is filled here; a mode left by earlier drawing must not fill it again.
    p->setBackgroundMode(Qt::TransparentMode);
    p->setTransform(at, true);
    if (backMode_ == OPAQUE)
        p->fillRect(QRectF(dx, dy - fm.ascent(), width, fm.height()), ToQColor(backColor_));
    p->setFont(font);
    p->setPen(ToQColor(textColor_));
    p->drawText(QPointF(dx, dy), text);
    p->restore();
}

void TCanvas::setPixel(int x, int y, TColor color) {
    QPainter* p = painter();
    if (!p) return;
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

TColor TCanvas::pixel(int x, int y) const {
    const QImage* img = image();
    if (!img || !img->valid(x, y)) return clNone;
    return FromQColor(QColor(img->pixel(x, y)));
}

// ---- paths

void TCanvas::beginPath() {
    path_ = QPainterPath();
    recordingPath_ = true;
}

void TCanvas::endPath() { recordingPath_ = false; }

void TCanvas::strokePath() {
    if (QPainter* p = painter(); p && applyPen(*p)) p->strokePath(path_, currentPen());
    path_ = QPainterPath();
}

void TCanvas::fillPath() {
    if (QPainter* p = painter(); p && applyPen(*p)) {
        path_.setFillRule(Qt::OddEvenFill);
        p->fillPath(path_, currentBrush());
    }
    path_ = QPainterPath();
}

void TCanvas::strokeAndFillPath() {
    if (QPainter* p = painter(); p && applyPen(*p)) {
        applyBrush(*p);
        path_.setFillRule(Qt::OddEvenFill);
        p->drawPath(path_);
    }
    path_ = QPainterPath();
}

void TCanvas::widenPath() {
    QPainterPathStroker stroker(currentPen());
    if (stroker.width() < 1) stroker.setWidth(1);
    path_ = stroker.createStroke(path_);
}

void TCanvas::selectClipPath(ClipCombine how) {
    combineClipRegion(RegionOfPath(path_, QRect(QPoint(0, 0), DeviceSize())), how);
    path_ = QPainterPath();
}

// ---- images

void TCanvas::drawImage(const QRect& target, const QImage& img, const QRect& source) {
    QPainter* p = painter();
    if (!p || img.isNull() || target.isEmpty()) return;
    p->setCompositionMode(img.hasAlphaChannel() ? QPainter::CompositionMode_SourceOver
                                                : QPainter::CompositionMode_Source);
    p->drawImage(target, img, source);
}

void TCanvas::bitBlt(int x, int y, int width, int height, TCanvas& source, int sx, int sy) {
    const QImage* src = source.image();
    if (!src || width <= 0 || height <= 0) return;
    // Copy first when source and target are one image.
    const QImage block = src->copy(sx, sy, width, height);
    QPainter* p = painter();
    if (!p) return;
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(QPoint(x, y), block);
}

void TCanvas::alphaBlend(int x, int y, int width, int height, TCanvas& source, int sx, int sy, int alpha) {
    const QImage* src = source.image();
    if (!src || width <= 0 || height <= 0) return;
    const QImage block = src->copy(sx, sy, width, height);
    QPainter* p = painter();
    if (!p) return;
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setOpacity(std::clamp(alpha, 0, 255) / 255.0);
    p->drawImage(QPoint(x, y), block);
    p->restore();
}

// ---- framework-level operations

TColor TCanvas::Pixels(int x, int y) { return pixel(x, y); }

void TCanvas::SetPixels(int x, int y, TColor color) { setPixel(x, y, color); }

TextSize TCanvas::TextExtent(const QString& text) { return textExtent(text); }

void TCanvas::FillRect(const TRect& r) { fillRect(r, brush_); }

void TCanvas::Draw(int x, int y, const TGraphic& graphic) {
    if (graphic.Empty()) return;
    graphic.DrawOn(*this, QRect(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic& graphic) {
    if (graphic.Empty()) return;
    graphic.DrawOn(*this, QRect(r.Left, r.Top, r.Width(), r.Height()));
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
    const QImage* src = source.image();
    if (!src) return;
    const QImage block = src->copy(sourceRect.Left, sourceRect.Top, sourceRect.Width(), sourceRect.Height());
    drawImage(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), block, block.rect());
}

}  // namespace brine::chart
