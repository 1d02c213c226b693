#pragma once

#include <QObject>

class TImageList;

// The location service's data module: the image list of the tree. Its designed
// pictures come first (image 0 is the default location picture); abbreviation
// pictures are appended while the service runs.
class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject* owner);
    ~TDM() override;

    TImageList* ImageList() const { return FImageList; }
    // How many pictures are designed (before any abbreviation picture).
    static constexpr int DesignedImages = 2;

private:
    TImageList* FImageList;
};

// The data module the tree and the abbreviation dialog reach the pictures through:
// the one of the location window created last (null when there is none).
TDM* CurrentDM();
void SetCurrentDM(TDM* dm);
