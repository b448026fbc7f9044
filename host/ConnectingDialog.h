#pragma once
// The small window without a caption that says "Connecting to the
// server..." with an animation while a sign-in runs. Modeless; closing it
// stops the animation, and it deletes itself once closed.
// User-interface thread only.

#include <QDialog>

class CPictureEx;

class CConnectingDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CConnectingDialog(QWidget *parent = nullptr);

    // Shows the dialog centred over its parent and starts the animation.
    void Open();

    CPictureEx *Picture() const { return m_picture; }

    void done(int result) override;

protected:
    // A thin edge, since the window has no frame of its own.
    void paintEvent(QPaintEvent *event) override;

private:
    CPictureEx *m_picture;
};
