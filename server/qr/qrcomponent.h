#pragma once

#include <string>

#include <QtGlobal>

// The QR component: draws a message as a QR code (libqrencode) into a BMP file. It keeps the settings
// of its calls until they are called again, so a caller sets what it needs and then saves. One
// process-wide instance serves the server (qr_component()); tests may derive to watch the calls.
namespace server {

class QrComponent
{
public:
    QrComponent() = default;
    virtual ~QrComponent() = default;
    Q_DISABLE_COPY_MOVE(QrComponent)

    // The content of the code: the bytes of a zero-terminated text, encoded as they are.
    virtual void QRSetMessage(const char* message);
    // Colours as red, green, blue 0..255 (values outside are clamped).
    virtual void QRSetBackColor(int red, int green, int blue);
    virtual void QRSetBarColor(int red, int green, int blue);
    // version 1..40 fixes the smallest symbol (a longer message still gets a larger one), 0 lets the
    // message decide; level 0..3 is error correction L, M, Q, H (higher counts as H). The encoder
    // always picks the best mask itself: mask is taken for the caller's sake and not used.
    virtual void QRConfigure(int version, int level, int mask);
    // margin: the white margin on each side as a share of the image's shorter side, 0.02..0.26.
    // whole_pixels 1 draws every module as a whole number of pixels (sharp edges, a little more margin),
    // 0 stretches the code over the whole inner area. reserved is not used.
    virtual void QRAppearance(double margin, int whole_pixels, int reserved);
    // The image size in pixels, 1..4000 each.
    virtual void QRSetSize(int width, int height);
    // Writes the code as a 24-bit BMP file (the name goes through the program's file services, so a
    // relative name is in the program's folder). False when the message is empty or too long for any
    // QR code, the image is too small for the code, or the file cannot be written.
    virtual bool QRSaveAsBMP(const char* file_name);

    const std::string& message() const { return m_message; }
    double margin() const { return m_margin; }
    int version() const { return m_version; }
    int level() const { return m_level; }
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    std::string m_message;
    int m_back = 0xFFFFFF; // 0x00BBGGRR
    int m_bar = 0;
    int m_version = 0;
    int m_level = 0;
    double m_margin = 0.02;
    bool m_whole_pixels = true;
    int m_width = 400;
    int m_height = 400;
};

// The instance that the server's QR picture uses.
QrComponent& qr_component();

} // namespace server
