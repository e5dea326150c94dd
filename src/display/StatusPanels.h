#pragma once

#include <QStatusBar>

class QLabel;

// A status bar with panels numbered from 1, each with a text and a picture.
class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    // Widths in pixels, panel 1 first.
    StatusPanels(const QList<int>& widths, QWidget* parent = nullptr);

    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);
    // Loads the picture from a bitmap file; a file that cannot be loaded leaves no picture.
    bool setPanelPicture(int panel, const QString& bitmapPath);
    bool hasPicture(int panel) const;
    QString picturePath(int panel) const;

private:
    struct Panel {
        QLabel* text;
        QLabel* picture;
        QString path;
    };
    QList<Panel> m_panels;
};
