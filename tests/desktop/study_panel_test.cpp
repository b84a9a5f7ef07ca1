// The study panel with a study of any design: the specimen table's columns
// beside the specimens and its groups' counts, a column marked as a factor
// from its header, the specimens with a surface, the blocks of the two-block
// PLS picked from the points; and the loads the panel's study comes from (a
// table of either dimension, a pick of several files reopened).
#include "desktop/study_panel.h"

#include <QCompleter>
#include <QDockWidget>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStringListModel>
#include <QTreeWidget>
#include <fstream>
#include <map>
#include <sstream>

#include "desktop/block_picker.h"
#include "desktop/results_log.h"
#include "io/formats/landmark_file.h"
#include "stats/shape_covariation.h"
#include "workspace_fixture.h"

namespace velmora::testing {
namespace {

const std::filesystem::path kGroups = kSource / "examples" / "leafgroups2d";

QTreeWidgetItem* top_row(QTreeWidget* tree, const QString& starts) {
  for (int t = 0; t < tree->topLevelItemCount(); ++t)
    if (tree->topLevelItem(t)->text(0).startsWith(starts)) return tree->topLevelItem(t);
  return nullptr;
}

int column_of(QTreeWidget* tree, const QString& header) {
  for (int c = 0; c < tree->columnCount(); ++c)
    if (tree->headerItem()->text(c) == header) return c;
  return -1;
}

QAction* menu_item(QMenu& menu, const QString& text) {
  for (QAction* a : menu.actions())
    if (a->text() == text) return a;
  return nullptr;
}

// The leaves' names say their species ("cordata-22"): the table's species
// column must agree, specimen by specimen, and its counts with the names'.
TEST_F(WorkspaceTest, TheTableColumnsStandBesideTheSpecimensWithTheGroupsCounts) {
  click("LoadProto", {kGroups / "protocol.txt"});
  click("LoadFile2D", {kGroups / "first.tps"});
  click("LoadSpecimenTable", {kGroups / "table.csv"});
  QTreeWidget* tree = workspace_->study_panel()->tree();
  const int species = column_of(tree, "species"), altitude = column_of(tree, "altitude");
  ASSERT_GE(species, 0);
  ASSERT_GE(altitude, 0);
  QTreeWidgetItem* first = top_row(tree, "First sample");
  ASSERT_NE(first, nullptr);
  std::map<QString, int> counts;
  int specimens = 0;
  for (int i = 0; i < first->childCount(); ++i) {
    QTreeWidgetItem* row = first->child(i);
    if (row->text(1).isEmpty()) continue;  // the sample's own lines
    ++specimens;
    const QString from_name = row->text(0).section('-', 0, 0);
    EXPECT_EQ(row->text(species), from_name) << row->text(0).toStdString();
    EXPECT_FALSE(row->text(altitude).isEmpty());
    ++counts[from_name];
  }
  EXPECT_EQ(specimens, state().data1.count());
  QTreeWidgetItem* table = top_row(tree, "Specimen table table.csv");
  ASSERT_NE(table, nullptr);
  QTreeWidgetItem* species_row = nullptr;
  QString altitude_line;
  for (int i = 0; i < table->childCount(); ++i) {
    if (table->child(i)->text(0).startsWith("species")) species_row = table->child(i);
    if (table->child(i)->text(0).startsWith("altitude")) altitude_line = table->child(i)->text(0);
  }
  ASSERT_NE(species_row, nullptr);
  QStringList groups;
  for (int i = 0; i < species_row->childCount(); ++i) groups << species_row->child(i)->text(0);
  ASSERT_EQ(groups.size(), static_cast<qsizetype>(counts.size()));
  for (const auto& [name, count] : counts)
    EXPECT_TRUE(groups.contains(QString("%1: %2").arg(name).arg(count))) << groups.join("|").toStdString();
  EXPECT_TRUE(altitude_line.contains("covariate")) << altitude_line.toStdString();
  // The Model box completes the term being typed from the columns.
  QCompleter* terms = window().findChild<QLineEdit*>("ModelBox")->completer();
  ASSERT_NE(terms, nullptr);
  EXPECT_TRUE(qobject_cast<QStringListModel*>(terms->model())->stringList().contains("altitude"));
  EXPECT_EQ(terms->splitPath("species + alt"), QStringList{"alt"});

  // Altitude holds numbers: its header's menu makes it a factor for the next
  // model (the FactorColumns control), and the panel counts its groups.
  std::unique_ptr<QMenu> menu = workspace_->study_panel()->column_menu(altitude);
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(menu_item(*menu, "Treat as a factor"), nullptr);
  menu_item(*menu, "Treat as a factor")->trigger();
  settle();
  EXPECT_EQ(port().control_string("FactorColumns"), "altitude");
  table = top_row(tree, "Specimen table");
  ASSERT_NE(table, nullptr);
  for (int i = 0; i < table->childCount(); ++i) {
    if (table->child(i)->text(0).startsWith("altitude")) {
      EXPECT_TRUE(table->child(i)->text(0).contains("factor")) << table->child(i)->text(0).toStdString();
    }
  }
  menu = workspace_->study_panel()->column_menu(column_of(tree, "altitude"));
  menu_item(*menu, "Use for the groups")->trigger();
  menu_item(*menu, "Add to the model")->trigger();
  menu_item(*menu, "Treat as a covariate")->trigger();
  settle();
  EXPECT_EQ(port().control_string("FactorColumns"), "");
  EXPECT_EQ(port().control_string("GroupBox"), "altitude");
  EXPECT_EQ(port().control_string("ModelBox"), "altitude");
  // Text is a factor whatever is asked; the panel's own columns have no menu.
  menu = workspace_->study_panel()->column_menu(species);
  EXPECT_FALSE(menu_item(*menu, "Treat as a covariate")->isEnabled());
  EXPECT_EQ(workspace_->study_panel()->column_menu(0), nullptr);
}

// The points picked become a block in the Blocks box, which the two-block
// PLS reads as it reads a typed one; a block taken over by the other leaves it.
TEST_F(WorkspaceTest, BlocksPickedFromThePointsFillTheBlocksBox) {
  click("LoadProto", {kGroups / "protocol.txt"});
  click("LoadFile2D", {kGroups / "first.tps"});
  BlockPicker* picker = workspace_->study_panel()->block_picker();
  QTreeWidget* points = picker->list();
  const int p = static_cast<int>(state().data1.points());
  ASSERT_EQ(points->topLevelItemCount(), p);
  auto pick = [&](int from, int to) {  // from 1
    points->clearSelection();
    for (int k = from; k <= to; ++k) points->topLevelItem(k - 1)->setSelected(true);
  };
  pick(1, p / 2 + 1);
  picker->findChild<QPushButton*>("UseAsBlock1")->click();
  pick(p / 2 + 1, p);
  picker->findChild<QPushButton*>("UseAsBlock2")->click();
  settle();
  const PointBlocks blocks = parse_point_blocks(port().control_string("BlockBox"), p);
  ASSERT_EQ(blocks.first.size(), static_cast<std::size_t>(p / 2));
  ASSERT_EQ(blocks.second.size(), static_cast<std::size_t>(p - p / 2));
  EXPECT_EQ(blocks.first.front(), 0);
  EXPECT_EQ(blocks.second.back(), p - 1);
  EXPECT_EQ(points->topLevelItem(p - 1)->text(1), "2");
  click("TwoBlockPLS");
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  EXPECT_EQ(workspace_->results_log()->rows().size(), 1u);
}

// Specimens with a surface of their own are marked; the others are not.
TEST_F(WorkspaceTest, TheSpecimensWithASurfaceAreMarked) {
  load_skull(false);
  // A strip of triangles through the first specimen's points as its file gives
  // them (the curve markers left out): its landmarks lie on it.
  Eigen::MatrixXd points = read_landmark_file(kSkull / "first.tps", std::nullopt).specimens.specimens[0].points;
  std::vector<Eigen::RowVector3d> kept;
  for (Eigen::Index i = 0; i < points.rows(); ++i)
    if (points.row(i).cwiseAbs().maxCoeff() < 900) kept.push_back(points.row(i));
  std::ostringstream ply;
  ply << "ply\nformat ascii 1.0\nelement vertex " << kept.size()
      << "\nproperty float x\nproperty float y\nproperty float z\nelement face " << kept.size() - 2
      << "\nproperty list uchar int vertex_indices\nend_header\n";
  for (const auto& p : kept) ply << p(0) << ' ' << p(1) << ' ' << p(2) << '\n';
  for (std::size_t i = 0; i + 2 < kept.size(); ++i) ply << "3 " << i << ' ' << i + 1 << ' ' << i + 2 << '\n';
  std::filesystem::create_directories(temp("meshes"));
  for (const char* name : {"skull3d-01.ply", "skull3d-03.ply"}) std::ofstream(temp("meshes") / name) << ply.str();
  click("LoadSurfaces", {temp("meshes")});
  QTreeWidget* tree = workspace_->study_panel()->tree();
  const int surface = column_of(tree, "Surface");
  ASSERT_GE(surface, 0);
  EXPECT_FALSE(tree->isColumnHidden(surface));
  QTreeWidgetItem* first = top_row(tree, "First sample");
  ASSERT_NE(first, nullptr);
  int marked = 0;
  for (int i = 0; i < first->childCount(); ++i) {
    const QString name = first->child(i)->text(0);
    const bool has = name.startsWith("skull3d-01 ") || name.startsWith("skull3d-03 ");
    EXPECT_EQ(!first->child(i)->text(surface).isEmpty(), has) << name.toStdString();
    marked += has;
  }
  EXPECT_EQ(marked, 2);
  ASSERT_NE(top_row(tree, "Surfaces:"), nullptr);
}

// Several files picked at once are one sample, and Open recent reopens them all.
TEST_F(WorkspaceTest, OpenRecentReopensEveryFileOfAPickOfSeveral) {
  const std::filesystem::path formats = kSource / "examples" / "formats";
  click("LoadProto", {formats / "protocol.txt"});
  port().set_file_dialog_hook([&](bool, std::string_view, std::string_view) -> std::optional<FileChoice> {
    return FileChoice{"MK03.mrk.json", formats / "markups", {"MK04.mrk.json", "MK05.mrk.json"}};
  });
  click("LoadFile1");
  ASSERT_EQ(state().data1.count(), 3);
  port().set_file_dialog_hook(nullptr);
  click("Clear");
  ASSERT_TRUE(state().data1.empty());

  auto* menu = window().findChild<QMenu*>("RecentMenu");
  emit menu->aboutToShow();
  QAction* reopen = nullptr;
  for (QAction* a : menu->actions())
    if (a->text().startsWith("MK03.mrk.json")) reopen = a;
  ASSERT_NE(reopen, nullptr);
  reopen->trigger();
  settle();
  EXPECT_EQ(state().data1.count(), 3);
  EXPECT_TRUE(messages_.empty());
}

// A first sample's rows of numbers that could be 2D or 3D: the desktop asks,
// and the answer is the dimension the points are read in.
TEST_F(WorkspaceTest, ATableOfEitherDimensionIsReadAsTheUserSays) {
  click("LoadProto", {kSource / "examples" / "formats" / "protocol.txt"});
  // 6 fixed landmarks of 3 numbers (18 a row, also 9 points of 2), 4 specimens.
  std::ofstream(temp("either.csv")) << "0,0,0,1,0,0,0,1,0,0,0,1,1,1,0,1,0,1\n"
                                       "0,0,0,1.1,0,0,0,1,0,0,0,1.2,1,1,0,1,0,1\n"
                                       "0,0,0,1,0.1,0,0,1,0,0,0,1,1,1.1,0,1,0,1\n"
                                       "0,0,0.1,1,0,0,0,1,0,0,0,1,1,1,0,1,0.1,1\n";
  choice_ = 1;  // 3D
  click("LoadFile1", {temp("either.csv")});
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_TRUE(questions_[0].contains("2D or 3D"));
  EXPECT_EQ(state().data1.count(), 4);
  EXPECT_EQ(state().data1.points(), 6);
  EXPECT_EQ(port().control_value("TableDimension"), 0);  // asked for that load alone
  choice_ = -1;                                          // cancelled: refused as before
  click("LoadFile1", {temp("either.csv")});
  EXPECT_EQ(state().data1.count(), 4);
  choice_ = 0;  // 2D: nine points, and the study is a 2D one (saved and reopened as such)
  click("LoadFile1", {temp("either.csv")});
  EXPECT_EQ(state().data1.points(), 9);
  EXPECT_EQ(state().sources.first_dims, 2);
}

// The picture of the panel for the documentation (see the main Screenshot test).
TEST_F(WorkspaceTest, StudyPanelScreenshot) {
  const char* dir_env = std::getenv("VELMORA_SCREENSHOTS");
  if (dir_env == nullptr) GTEST_SKIP() << "set VELMORA_SCREENSHOTS to a folder to take the picture";
  window().resize(1920, 1080);  // room for the table's columns
  window().show();
  settle(200);
  ASSERT_TRUE(workspace_->open_study(kGroups / "study.json"));
  port().set_control_string("GroupBox", "species");
  settle(300);
  QTreeWidget* tree = workspace_->study_panel()->tree();
  if (QTreeWidgetItem* protocol = top_row(tree, "Protocol")) protocol->setExpanded(false);
  settle(200);
  workspace_->dock("StudyDock")
      ->grab()
      .save(QString::fromStdString((std::filesystem::path(dir_env) / "study-panel-table.png").string()));
}

}  // namespace
}  // namespace velmora::testing
