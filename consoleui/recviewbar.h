#pragma once

#include <QWidget>

class CRecView;
class QCheckBox;
class QComboBox;

// The receive pane's view controls, shown above it: "Hex" switches between
// the text and the hex view, "Time stamps" chooses Off, Clock or Since
// previous. Each change applies to what arrives from then on.
class RecViewBar : public QWidget {
    Q_OBJECT
public:
    explicit RecViewBar(CRecView* pane, QWidget* parent = nullptr);

    QCheckBox* hexCheck() const { return m_hex; }
    QComboBox* stampsList() const { return m_stamps; }

private:
    void applyView(bool hex);
    void applyStamps(int index);
    void describeState();

    CRecView* m_pane;
    QCheckBox* m_hex;
    QComboBox* m_stamps;
};

// The window's right pane: the receive pane with its view bar above it.
QWidget* withViewBar(CRecView* pane, QWidget* parent = nullptr);
