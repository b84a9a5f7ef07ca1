// The actions panel: a button per action in its group, the study's controls,
// and which actions the study lets run now.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDockWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/parse_seed.h"
#include "desktop/action_table.h"
#include "desktop/block_picker.h"
#include "desktop/console_dock.h"
#include "desktop/file_kind.h"
#include "desktop/panel_widgets.h"
#include "desktop/plot_dock.h"
#include "desktop/qt_text.h"
#include "desktop/results_log.h"
#include "desktop/study_panel.h"
#include "desktop/workspace.h"
#include "io/open_input.h"
#include "io/specimen_table.h"
#include "runtime/error.h"

namespace velmora {

namespace {

const char* const kSeedTip =
    "A fixed seed gives the same resampling results every run: a whole number from 0 to 18446744073709551615; "
    "empty: a new seed each run";
}  // namespace

void Workspace::seed_typed(const QString& text) {
  const QString trimmed = text.trimmed();
  const std::optional<std::uint64_t> seed = parse_seed(trimmed.toStdString());
  seed_bad_ = !trimmed.isEmpty() && !seed;
  app_.port().set_fixed_seed(seed);
  seed_->setStyleSheet(seed_bad_ ? "QLineEdit { border: 1px solid #b00020; }" : QString());
  seed_note_->setText(seed_bad_ ? QString("\"%1\" is not a seed: type a whole number from 0 to "
                                          "18446744073709551615, or nothing for a new seed each run.")
                                      .arg(trimmed.left(40))
                                : QString());
  seed_note_->setVisible(seed_bad_);
  refresh_actions();
}

void Workspace::build_panel() {
  QMainWindow& w = window();
  auto* dock_widget = dock("ActionsDock");
  auto* scroll = new QScrollArea;
  scroll->setObjectName("ActionsScroll");
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* panel = new QWidget;
  panel->setObjectName("ActionPanel");
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(4, 4, 4, 4);
  column->setSpacing(6);

  // Every dispatcher action: the table's rows in order, then any action the
  // table does not know yet (its name as its label).
  std::vector<ActionInfo> rows = action_table();
  for (const ActionRow& action : action_catalogue())
    if (std::none_of(rows.begin(), rows.end(), [&](const ActionInfo& a) { return a.name == action.name; }))
      rows.push_back(action_info(action.name));
  std::map<ActionGroup, QGridLayout*> grids;
  std::map<ActionGroup, int> cells;
  auto grid_of = [&](ActionGroup g) {
    auto it = grids.find(g);
    if (it != grids.end()) return it->second;
    auto* box = new QGroupBox(QString::fromStdString(group_title(g)), panel);
    box->setObjectName(QString("Group%1").arg(static_cast<int>(g)));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    column->addWidget(box);
    grids[g] = grid;
    cells[g] = 0;
    return grid;
  };
  // A control of the layout file, on a row of its own in its group.
  auto add_row = [&](ActionGroup g, QWidget* label, QWidget* control) {
    QGridLayout* grid = grid_of(g);
    int& cell = cells[g];
    if (cell % 2 == 1) ++cell;
    const int row = cell / 2;
    if (label != nullptr) {
      grid->addWidget(label, row, 0);
      grid->addWidget(control, row, 1);
    } else {
      grid->addWidget(control, row, 0, 1, 2);
    }
    cell += 2;
  };
  for (const ActionGroup g : {ActionGroup::study, ActionGroup::second, ActionGroup::statistics, ActionGroup::shape,
                              ActionGroup::plot, ActionGroup::styling, ActionGroup::export_, ActionGroup::more}) {
    if (g == ActionGroup::study) {  // the switches every load reads
      for (const char* tag : {"DropMissing", "NegativeMissing"})
        if (auto* box = w.findChild<QCheckBox*>(tag)) add_row(g, nullptr, box);
    }
    if (g == ActionGroup::second) {
      if (auto* zep = w.findChild<QCheckBox*>("ZEPButton")) add_row(g, nullptr, zep);
    }
    if (g == ActionGroup::statistics) {
      if (auto* boot = w.findChild<QComboBox*>("BootBox")) {
        auto* label = new QLabel("Resampling sets:", panel);
        label->setBuddy(boot);
        add_row(g, label, boot);
      }
      seed_ = new QLineEdit(panel);
      seed_->setObjectName("SeedEdit");
      seed_->setPlaceholderText("new each run");
      seed_->setToolTip(kSeedTip);
      auto* label = new QLabel("Seed:", panel);
      label->setBuddy(seed_);
      add_row(g, label, seed_);
      // Any text may be typed or pasted; one that is not a seed is said so
      // under the field, and the resampling tests wait until it is corrected.
      seed_note_ = new QLabel(panel);
      seed_note_->setObjectName("SeedNote");
      seed_note_->setWordWrap(true);
      seed_note_->setStyleSheet("color: #b00020;");
      seed_note_->hide();
      add_row(g, nullptr, seed_note_);
      connect(seed_, &QLineEdit::textChanged, this, [this](const QString& text) { seed_typed(text); });
    }
    if (g == ActionGroup::statistics) {  // the group tests' model, factor and permutations
      const std::pair<const char*, const char*> rows[] = {{"ModelBox", "Model:"},
                                                          {"GroupBox", "Groups:"},
                                                          {"FactorColumns", "Factors:"},
                                                          {"PermutationsBox", "Permutations:"},
                                                          {"GroupOutline", "Group outline:"},
                                                          {"BlockBox", "Blocks:"}};
      for (const auto& [tag, text] : rows)
        if (auto* control = w.findChild<QWidget*>(tag)) {
          auto* label = new QLabel(text, panel);
          label->setBuddy(control);
          add_row(g, label, control);
        }
      for (const char* tag : {"DropUnlisted", "SeparateBlocks", "AllometryLine", "SizeCorrected"})
        if (auto* box = w.findChild<QCheckBox*>(tag)) add_row(g, nullptr, box);
    }
    if (g == ActionGroup::shape) {
      // How the semilandmarks slide, the components the shape space shows, and
      // how many times the difference is drawn.
      if (auto* criterion = w.findChild<QWidget*>("SlideCriterion")) {
        auto* label = new QLabel("Slide by:", panel);
        label->setBuddy(criterion);
        add_row(g, label, criterion);
      }
      if (auto* on_curve = w.findChild<QWidget*>("ProjectOnCurve")) add_row(g, nullptr, on_curve);
      auto* pcx = w.findChild<QWidget*>("PCXBox");
      auto* pcy = w.findChild<QWidget*>("PCYBox");
      if (pcx != nullptr && pcy != nullptr) {
        auto* pair = new QWidget(panel);
        auto* row = new QHBoxLayout(pair);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(pcx);
        row->addWidget(new QLabel("against", pair));
        row->addWidget(pcy);
        auto* label = new QLabel("Components:", panel);
        label->setBuddy(pcx);
        add_row(g, label, pair);
      }
      if (auto* scale = w.findChild<QWidget*>("DiffScale")) {
        auto* label = new QLabel("Difference drawn ×", panel);
        label->setBuddy(scale);
        add_row(g, label, scale);
      }
    }
    for (const ActionInfo& info : rows) {
      if (info.group != g) continue;
      QGridLayout* grid = grid_of(g);
      auto* b = new WrappingButton(QString::fromStdString(info.label), panel);
      b->setObjectName(QString::fromStdString(info.name + "Button"));
      b->setProperty("callback", QString::fromStdString("vm3sw " + info.name));
      b->setToolTip(QString::fromStdString(info.tooltip));
      const int cell = cells[g]++;
      grid->addWidget(b, cell / 2, cell % 2);
      connect(b, &QPushButton::clicked, this,
              [this, text = b->property("callback").toString()] { app_.run_callback(text); });
      controls_[info.name].push_back(b);
      buttons_[info.name] = b;
    }
  }
  column->addStretch();
  scroll->setWidget(panel);
  dock_widget->setWidget(scroll);
  dock_widget->setMinimumWidth(panel->minimumSizeHint().width() + 24);
  // The menu items of the layout file run the same actions.
  for (auto* a : w.findChildren<QAction*>()) {
    const QString cb = a->property("callback").toString();
    if (cb.startsWith("vm3sw ")) controls_[cb.mid(6).toStdString()].push_back(a);
  }
}

bool Workspace::can_run(const std::string& action, std::string* why) const {
  const std::shared_ptr<const StudySummary> s = app_.study();
  if (app_.running()) {
    if (why != nullptr) *why = "An action is running: wait for it to end or cancel it.";
    return false;
  }
  const Graphics& g = app_.port().graphics();
  bool ok = true;
  const Needs needs = action_info(action).needs;
  const ActionRow* row = find_action(action);
  if (seed_bad_ && row != nullptr && row->resampling) {
    if (why != nullptr) *why = "The seed is not a whole number from 0 to 18446744073709551615: correct it or empty it.";
    return false;
  }
  switch (needs) {
    case Needs::nothing:
      ok = true;
      break;
    case Needs::protocol:
      ok = s->has_protocol();
      break;
    case Needs::first_sample:
      ok = !s->first.empty();
      break;
    case Needs::second_sample:
      ok = !s->first.empty() && !s->second.empty() && second_fits(*s);
      break;
    case Needs::plot_window:
      ok = s->plot_window && g.is_handle(*s->plot_window) && g.object(*s->plot_window).type == ObjectType::figure;
      break;
  }
  if (!ok && why != nullptr)
    *why = needs == Needs::second_sample && !s->second.empty() && !second_fits(*s)
               ? "The second sample does not match the first one's points: load a second sample that matches."
               : needs_text(needs);
  // Taking back needs something to take back.
  if (ok && row != nullptr && row->replaces == StudyPart::earlier_study && s->undoes.empty()) {
    if (why != nullptr) *why = "There is nothing to undo: Undo takes back a load, a slide or Clear study.";
    return false;
  }
  if (ok && action == "RestoreUnslid" && !s->unslid_kept) {
    if (why != nullptr)
      *why = s->first.slid.empty() && s->second.slid.empty()
                 ? "The samples are not slid: they are as loaded."
                 : "The samples as loaded are not kept, as the second sample was loaded after the slide: load the "
                   "first sample again.";
    return false;
  }
  return ok;
}

void Workspace::refresh_actions() {
  for (const auto& [action, controls] : controls_) {
    std::string why;
    const bool ok = can_run(action, &why);
    const ActionInfo info = action_info(action);
    // What the action does, and while it cannot run, what it needs.
    const QString tip = QString::fromStdString(ok ? info.tooltip : info.tooltip + "\n" + why);
    for (QObject* o : controls) {
      if (auto* b = qobject_cast<QAbstractButton*>(o)) {
        b->setEnabled(ok);
        b->setToolTip(tip);
      } else if (auto* a = qobject_cast<QAction*>(o)) {
        a->setEnabled(ok);
        a->setToolTip(tip);
        a->setStatusTip(tip);
        // The Undo item names what it takes back.
        if (action == "Undo") {
          const std::string& last = app_.study()->undoes;
          a->setText(last.empty() ? QString("&Undo") : "&Undo " + label_text(last).remove(QChar(0x2026)));
        }
      }
    }
  }
  const std::shared_ptr<const StudySummary> s = app_.study();
  const bool busy = app_.running();
  if (QAbstractButton* dots = button("ToggleDots")) {
    // The button shows the check mark of the menu item it flips.
    dots->setCheckable(true);
    dots->setChecked(app_.port().control_checked("DotCheck") == "on");
  }
  open_study_->setEnabled(!busy);
  recent_menu_->setEnabled(!busy);
  save_study_->setEnabled(!busy && (s->has_protocol() || !s->first.empty()));
  save_study_->setToolTip(save_study_->isEnabled() ? save_study_->statusTip() : "Load a protocol or a sample first.");
  if (seed_ != nullptr) seed_->setEnabled(!busy);
}

void Workspace::name_controls() {
  // A control is named by its text (a check box) or by the label before it in the panel.
  for (QWidget* control : window().findChildren<QWidget*>()) {
    const std::string tag = control->objectName().toStdString();
    if (tag.empty()) continue;
    QString label;
    if (auto* box = qobject_cast<QCheckBox*>(control)) label = box->text();
    for (QLabel* l : window().findChildren<QLabel*>())
      if (label.isEmpty() && l->buddy() == control) label = l->text();
    label.remove('&');
    while (label.endsWith(':') || label.endsWith(' ')) label.chop(1);
    if (!label.isEmpty()) control_words_[tag] = label.toStdString();
  }
}

std::string Workspace::words(const std::string& text) const {
  std::string out = desktop_wording(text);
  for (const auto& [tag, label] : control_words_) {
    // Whole words only: the tag with no letter, digit or underscore either side.
    auto is_word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (std::size_t at = out.find(tag); at != std::string::npos; at = out.find(tag, at + 1)) {
      const std::size_t end = at + tag.size();
      if ((at > 0 && is_word(out[at - 1])) || (end < out.size() && is_word(out[end]))) continue;
      out.replace(at, tag.size(), "\"" + label + "\"");
      at += label.size();
    }
  }
  return out;
}

void Workspace::wire_study_panel() {
  QMainWindow& w = window();
  auto* factors = w.findChild<QLineEdit*>("FactorColumns");
  auto* group = w.findChild<QLineEdit*>("GroupBox");
  auto* model = w.findChild<QLineEdit*>("ModelBox");
  auto* blocks = w.findChild<QLineEdit*>("BlockBox");
  auto design = [this, factors, group] {
    QStringList marked;
    if (factors != nullptr)
      for (const std::string& name : factor_column_list(factors->text().toStdString())) marked << qtext(name);
    study_->set_design(marked, group != nullptr ? group->text().trimmed() : QString());
  };
  if (factors != nullptr) {
    connect(factors, &QLineEdit::textChanged, this, design);
    // The Groups box offers the factors as marked now.
    connect(factors, &QLineEdit::textChanged, this, [this] { offer_table_columns(); });
  }
  if (group != nullptr) connect(group, &QLineEdit::textChanged, this, design);
  design();
  // Set through the port, as a script's `set` would.
  auto set = [this](const char* tag) {
    return [this, tag](const QString& text) {
      if (app_.port().has_control(tag)) app_.port().set_control_string(tag, text.toStdString());
    };
  };
  connect(study_, &StudyPanel::factor_columns_chosen, this, set("FactorColumns"));
  connect(study_, &StudyPanel::group_chosen, this, set("GroupBox"));
  connect(study_, &StudyPanel::model_term_chosen, this, [model, set](const QString& column) {
    if (model == nullptr) return;
    // Added as a term of its own unless the model has it already.
    static const QRegularExpression terms("[+*:]");
    QStringList have = model->text().split(terms);
    for (QString& t : have) t = t.trimmed();
    if (have.contains(column)) return;
    set("ModelBox")(model->text().trimmed().isEmpty() ? column : model->text().trimmed() + " + " + column);
  });
  BlockPicker* picker = study_->block_picker();
  connect(picker, &BlockPicker::blocks_chosen, this, set("BlockBox"));
  if (blocks != nullptr) {
    connect(blocks, &QLineEdit::textChanged, picker, &BlockPicker::set_blocks);
    picker->set_blocks(blocks->text());
  }
}

void Workspace::offer_table_columns() {
  const std::shared_ptr<const StudySummary> s = app_.study();
  if (s->table.empty()) return;
  QStringList columns, factors;
  const std::vector<std::string> marked = factor_column_list(app_.port().control_string("FactorColumns"));
  for (const TableColumn& c : s->table) {
    columns << qtext(c.name);
    if (!c.numeric || std::find(marked.begin(), marked.end(), c.name) != marked.end()) factors << columns.back();
  }
  columns << "sample"
          << "logsize";
  factors << "sample";
  auto* window = app_.port().main_window();
  if (auto* model = window ? window->findChild<QLineEdit*>("ModelBox") : nullptr) {
    // Each term typed is completed from the columns.
    delete model->completer();
    auto* completer = new TermCompleter(columns, model);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    model->setCompleter(completer);
    model->setToolTip("The model, as R writes it (a + b, a * b, a:b), of the columns: " + columns.join(", "));
  }
  if (auto* group = window ? window->findChild<QLineEdit*>("GroupBox") : nullptr) {
    delete group->completer();
    auto* completer = new QCompleter(factors, group);
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    group->setCompleter(completer);
    group->setToolTip("A factor of the specimen table: " + factors.join(", "));
  }
}

}  // namespace velmora
