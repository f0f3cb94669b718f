// The 不确定度 view: both estimates of the last computation with every component (1σ), random
// and systematic terms apart, the coverage factor, the notes and the sources.
#pragma once

#include "compute/compute.hpp"
#include "measure/section.hpp"
#include "uncertainty/uncertainty.hpp"

#include <QDialog>

#include <string>

class QLabel;
class QTreeWidget;

namespace tarnelo {

class UncertaintyView : public QDialog {
    Q_OBJECT

  public:
    explicit UncertaintyView(QWidget* parent = nullptr);

    // Shows the estimates a computation made, or says there are none (no computation, or one
    // without a discharge); `stale` when the input has changed since, which the view says above
    // the figures and shows in grey.
    void showComputation(const Computation* computation, bool stale = false);
    void showUncertainty(const SectionUncertainty& uncertainty, const std::string& dischargeText);

  private:
    void addMethod(const UncertaintyMethod& method, const QString& name);

    QLabel* summary_ = nullptr;
    QTreeWidget* tree_ = nullptr;
};

// Opens the view of a computation (or of none) over parent, or raises it if it is open.
void openUncertaintyView(QWidget* parent, const Computation* computation, bool stale = false);

// Brings an open view up to date after a computation; nothing when it was never opened.
void refreshUncertaintyView(QWidget* parent, const Computation* computation, bool stale = false);

} // namespace tarnelo
