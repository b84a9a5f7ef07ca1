#include "runtime/qt/plot_export.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QSpinBox>
#include <QToolBar>

namespace velmora {
namespace {

// Width, height and resolution of a PNG export; the height follows the width
// at the view's aspect unless that is switched off.
class PngSizeDialog : public QDialog {
 public:
  PngSizeDialog(QSize view, QWidget* parent) : QDialog(parent), aspect_(double(view.height()) / view.width()) {
    setWindowTitle("PNG size and resolution");
    setObjectName("PngSizeDialog");
    auto* form = new QFormLayout(this);
    dpi_ = new QSpinBox(this);
    dpi_->setObjectName("PngDpi");
    dpi_->setRange(36, 2400);
    dpi_->setValue(300);
    dpi_->setSuffix(" dpi");
    width_ = new QSpinBox(this);
    width_->setObjectName("PngWidth");
    width_->setRange(16, 32767);
    width_->setSuffix(" px");
    height_ = new QSpinBox(this);
    height_->setObjectName("PngHeight");
    height_->setRange(16, 32767);
    height_->setSuffix(" px");
    keep_ = new QCheckBox("Keep the plot's aspect", this);
    keep_->setChecked(true);
    inches_ = new QLabel(this);
    form->addRow("Resolution:", dpi_);
    form->addRow("Width:", width_);
    form->addRow("Height:", height_);
    form->addRow(keep_);
    form->addRow("Printed size:", inches_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    width_->setValue(qRound(view.width() * 300 / 96.0));
    height_->setValue(qRound(width_->value() * aspect_));
    connect(width_, &QSpinBox::valueChanged, this, [this](int w) {
      if (keep_->isChecked()) {
        QSignalBlocker block(height_);
        height_->setValue(qRound(w * aspect_));
      }
      show_inches();
    });
    connect(height_, &QSpinBox::valueChanged, this, [this](int h) {
      if (keep_->isChecked()) {
        QSignalBlocker block(width_);
        width_->setValue(qRound(h / aspect_));
      }
      show_inches();
    });
    connect(dpi_, &QSpinBox::valueChanged, this, [this] { show_inches(); });
    show_inches();
  }
  QSize pixels() const { return {width_->value(), height_->value()}; }
  double dpi() const { return dpi_->value(); }

 private:
  void show_inches() {
    const double d = dpi_->value();
    inches_->setText(QString("%1 × %2 in (%3 × %4 cm)")
                         .arg(width_->value() / d, 0, 'f', 2)
                         .arg(height_->value() / d, 0, 'f', 2)
                         .arg(width_->value() / d * 2.54, 0, 'f', 1)
                         .arg(height_->value() / d * 2.54, 0, 'f', 1));
  }
  double aspect_;
  QSpinBox *dpi_, *width_, *height_;
  QCheckBox* keep_;
  QLabel* inches_;
};

}  // namespace

std::optional<std::filesystem::path> export_plot(PlotView* view, ImageFormat format, QWidget* parent,
                                                 const QString& name,
                                                 const std::function<void(const std::string&)>& note) {
  static const char* ext[] = {"png", "svg", "pdf", "eps"};
  static const char* kind[] = {"PNG pictures", "SVG drawings", "PDF documents", "EPS drawings"};
  const QString e = ext[static_cast<int>(format)];
  QSize pixels;
  double dpi = 96;
  if (format == ImageFormat::png) {
    PngSizeDialog size(view->size(), parent);
    if (size.exec() != QDialog::Accepted) return std::nullopt;
    pixels = size.pixels();
    dpi = size.dpi();
  }
  const QString file =
      QFileDialog::getSaveFileName(parent, QString("Export the plot as %1").arg(e.toUpper()), name + "." + e,
                                   QString("%1 (*.%2);;All files (*)").arg(kind[static_cast<int>(format)], e));
  if (file.isEmpty()) return std::nullopt;
  std::filesystem::path path = file.toStdString();
  if (path.extension().empty()) path += "." + e.toStdString();
  try {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    view->export_to(path, pixels, dpi, note);
    QApplication::restoreOverrideCursor();
    return path;
  } catch (const std::exception& ex) {
    QApplication::restoreOverrideCursor();
    QMessageBox::warning(parent, "Export failed", QString::fromStdString(ex.what()));
    return std::nullopt;
  }
}

void add_plot_tools(QToolBar* tools, PlotView* view, QWidget* parent, const PlotTools& how) {
  QAction* reset = tools->addAction("Reset view", [view] { view->set_view(std::nullopt); });
  reset->setObjectName(how.names.isEmpty() ? "ResetView" : how.names + "Reset");
  if (how.reset_shortcut) reset->setShortcut(QKeySequence("Ctrl+0"));
  reset->setToolTip(how.reset_tip);
  tools->addSeparator();
  const std::pair<const char*, ImageFormat> formats[] = {
      {"PNG", ImageFormat::png}, {"SVG", ImageFormat::svg}, {"PDF", ImageFormat::pdf}, {"EPS", ImageFormat::eps}};
  for (const auto& [name, format] : formats) {
    QAction* a = tools->addAction(QString("Export %1…").arg(name), [view, parent, how, f = format] {
      if (!how.ready()) return;
      const QString file = how.file_name ? how.file_name() : QString("plot");
      if (auto path = export_plot(view, f, parent, file, how.note); path && how.saved) how.saved(*path);
    });
    a->setObjectName(how.names + QString("Export%1").arg(name));
    a->setToolTip(QString("Save %1 as it is shown as a %2 file").arg(how.what, name));
  }
}

}  // namespace velmora
