#pragma once

#include <QProxyStyle>

// The platform's style with the program's own drawing for the few standard icons
// that every main window asks for at start-up. The menu bar's overflow arrow, made
// in its constructor and shown only when the menus do not fit, would otherwise be
// read from an image file, which makes Qt load every image-format plugin (SVG
// included) before the first window can paint.
// A flat push button (a link under a form, "Send Message") has no bevel, and the
// platform style draws its focus on the bevel: here it gets the focus ring instead.
// So does a default button (a dialog's OK), whose bevel looks the same with the focus,
// and an icon button (Attach, like), where the platform draws a faint dotted square.
// A push button's text keeps some room from its border in every language.
class AppStyle : public QProxyStyle {
    Q_OBJECT

public:
    AppStyle();

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
};
