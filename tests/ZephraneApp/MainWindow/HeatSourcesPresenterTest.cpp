// The heat sources card's presenter on the scripted engine and scripted
// running applications: the five rows of the chosen period, kept in place
// through updates, and the look-ups and quits behind the rows, also when a
// look-up hangs, fails or answers for a row that changed meanwhile.
#include "ZephraneApp/MainWindow/HeatSourcesPresenter.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "PresenterTesting.hpp"
#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/MainWindow/ScriptedApplications.hpp"

namespace zephrane::mainwindow {
namespace {

using ::testing::ElementsAre;
using testing::settle;
using testing::settleUntil;
using workspace::ActivationPolicy;
using workspace::ApplicationProcess;
using Quit = ScriptedApplications::Quit;

std::vector<HeatSource> ranking(int count, double share = 0.1) {
    std::vector<HeatSource> sources;
    for (int i = 0; i < count; ++i)
        sources.push_back({"app" + std::to_string(i), share, 10.0 * i, static_cast<std::int32_t>(100 + i)});
    return sources;
}

struct Card {
    face::ScriptedEngineFace face;
    ScriptedApplications applications;
    std::unique_ptr<HeatSourcesPresenter> presenter = std::make_unique<HeatSourcesPresenter>();

    Card() {
        presenter->setApplications(&applications);
        presenter->setFace(&face);
    }
    HeatSourceRowModel& rows() { return presenter->rows(); }
    QVariant at(int row, int role) { return rows().data(rows().index(row), role); }
    QStringList names() {
        QStringList out;
        for (int i = 0; i < rows().rowCount(); ++i) out << at(i, HeatSourceRowModel::NameRole).toString();
        return out;
    }
    bool canQuit(int row) { return at(row, HeatSourceRowModel::CanQuitRole).toBool(); }
};

TEST(HeatSourcesPresenterTest, ShowsTheFirstFiveOfThePeriodInTheEnginesOrder) {
    const struct {
        int live;
        int shown;
    } cases[] = {{8, 5}, {5, 5}, {3, 3}, {0, 0}};
    for (const auto& c : cases) {
        Card card;
        card.face.alerts().heatSources().update(ranking(c.live));
        ASSERT_EQ(card.rows().rowCount(), c.shown) << c.live;
        for (int i = 0; i < c.shown; ++i) EXPECT_EQ(card.names()[i], QString("app%1").arg(i));
        EXPECT_EQ(card.presenter->isEmpty(), c.shown == 0);
    }
}

TEST(HeatSourcesPresenterTest, TodayShowsTheDailyTotalsAndItsOwnEmptyText) {
    Card card;
    card.face.alerts().heatSources().update(ranking(3));
    EXPECT_EQ(card.presenter->emptyTitle(), "Nothing hot right now");
    card.presenter->setMode(1);
    EXPECT_TRUE(card.presenter->isEmpty());
    EXPECT_EQ(card.presenter->emptyTitle(), "No activity recorded today");
    EXPECT_EQ(card.presenter->emptyDescription(), "No app has used the CPU today yet.");
    card.face.alerts().dailyHeatSources().update(std::vector<HeatSource>{{"blender", 0.7, 6000, 42}});
    EXPECT_EQ(card.names(), QStringList{"blender"});
    card.presenter->setMode(0);
    EXPECT_EQ(card.rows().rowCount(), 3);
}

TEST(HeatSourcesPresenterTest, ARowSpeaksItsShareAndAnUpdateKeepsItInPlace) {
    Card card;
    card.face.alerts().heatSources().update(std::vector<HeatSource>{{"blender", 0.125, 10, 42}});
    EXPECT_EQ(card.at(0, HeatSourceRowModel::PercentTextRole).toString(), "13%");
    EXPECT_EQ(card.at(0, HeatSourceRowModel::AccessibleLabelRole).toString(), "blender, 13%");
    EXPECT_EQ(card.at(0, HeatSourceRowModel::QuitLabelRole).toString(), "Quit blender");
    EXPECT_EQ(card.at(0, HeatSourceRowModel::FractionRole).toDouble(), 0.125);

    QSignalSpy resets(&card.rows(), &QAbstractItemModel::modelReset);
    QSignalSpy removals(&card.rows(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy changes(&card.rows(), &QAbstractItemModel::dataChanged);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    card.face.alerts().heatSources().update(std::vector<HeatSource>{{"blender", nan, 11, 42}});
    EXPECT_EQ(card.at(0, HeatSourceRowModel::PercentTextRole).toString(), "\u2014");
    EXPECT_EQ(card.at(0, HeatSourceRowModel::FractionRole).toDouble(), 0);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(removals.count(), 0);
    EXPECT_EQ(changes.count(), 1);
}

TEST(HeatSourcesPresenterTest, OnlyARegularApplicationOffersToQuit) {
    Card card;
    card.face.alerts().heatSources().update(std::vector<HeatSource>{
        {"gedit", 0.3, 1, 10}, {"pipewire", 0.2, 1, 11}, {"Brumalune", 0.1, 1, 12}, {"gone", 0.1, 1, 13},
        {"ended", 0.1, 1, 0}});
    card.applications.setApplications({{10, "gedit", std::nullopt, "gedit", ActivationPolicy::regular},
                                       {11, "pipewire", std::nullopt, "pipewire", ActivationPolicy::prohibited},
                                       {12, "Brumalune", "Brumalune", "Brumalune", ActivationPolicy::accessory}});
    for (int row = 0; row < 5; ++row) card.presenter->inspect(row);
    EXPECT_TRUE(card.canQuit(0));
    EXPECT_FALSE(card.canQuit(1)) << "background only";
    EXPECT_FALSE(card.canQuit(2)) << "an accessory";
    EXPECT_FALSE(card.canQuit(3)) << "no such process";
    EXPECT_FALSE(card.canQuit(4)) << "no live process";
    EXPECT_EQ(card.applications.lookups(), 4) << "a pid below 1 is not looked up";

    // Looked up anew on every visit: an application that went no longer offers it.
    card.applications.setApplications({});
    card.presenter->inspect(0);
    EXPECT_FALSE(card.canQuit(0));
}

TEST(HeatSourcesPresenterTest, AQuitAsksForTheRowsProcessByItsName) {
    Card card;
    card.face.alerts().heatSources().update(std::vector<HeatSource>{{"gedit", 0.3, 1, 10}, {"ended", 0.1, 1, 0}});
    card.applications.setApplications({{10, "firefox", std::nullopt, "firefox", ActivationPolicy::regular}});
    card.presenter->quit(0);
    card.presenter->quit(1);  // no live process: nothing asked
    card.presenter->quit(7);  // no such row
    EXPECT_THAT(card.applications.quits(), ElementsAre(Quit{10, "gedit"}));
}

TEST(HeatSourcesPresenterTest, TheMenuOpensOnlyForAnApplicationToQuit) {
    Card card;
    card.face.alerts().heatSources().update(std::vector<HeatSource>{{"gedit", 0.3, 1, 10}, {"pipewire", 0.2, 1, 11}});
    card.applications.setApplications({{10, "gedit", std::nullopt, "gedit", ActivationPolicy::regular},
                                       {11, "pipewire", std::nullopt, "pipewire", ActivationPolicy::prohibited}});
    QSignalSpy menus(card.presenter.get(), &HeatSourcesPresenter::menuReady);
    card.presenter->requestMenu(1);
    card.presenter->requestMenu(0);
    ASSERT_EQ(menus.count(), 1);
    EXPECT_EQ(menus.first().first().toInt(), 0);
}

TEST(HeatSourcesPresenterTest, AnAnswerForARowThatChangedMeanwhileIsDropped) {
    Card card;
    card.face.alerts().heatSources().update(std::vector<HeatSource>{{"gedit", 0.3, 1, 10}});
    card.applications.setApplications({{10, "gedit", std::nullopt, "gedit", ActivationPolicy::regular},
                                       {20, "gedit", std::nullopt, "gedit", ActivationPolicy::regular}});
    card.applications.hold();
    QSignalSpy menus(card.presenter.get(), &HeatSourcesPresenter::menuReady);
    card.presenter->requestMenu(0);
    // The process behind the row changes while the look-up hangs.
    card.face.alerts().heatSources().update(std::vector<HeatSource>{{"gedit", 0.3, 1, 20}});
    card.applications.release();
    ASSERT_TRUE(settleUntil([&] { return card.applications.waiting() == 0; }));
    settle();
    EXPECT_FALSE(card.canQuit(0));
    EXPECT_EQ(menus.count(), 0);
}

TEST(HeatSourcesPresenterTest, AFailedOrLateLookUpOffersNothingAndHarmsNothing) {
    Card card;
    card.face.alerts().heatSources().update(std::vector<HeatSource>{{"gedit", 0.3, 1, 10}});
    card.applications.setApplications({{10, "gedit", std::nullopt, "gedit", ActivationPolicy::regular}});
    card.presenter->inspect(0);
    ASSERT_TRUE(card.canQuit(0));
    card.applications.setFailing(true);
    card.presenter->inspect(0);
    settle();
    EXPECT_FALSE(card.canQuit(0)) << "not known is not quittable";
    card.presenter->quit(0);  // a failing quit is swallowed
    settle();

    card.applications.setFailing(false);
    card.applications.hold();
    card.presenter->inspect(0);
    card.presenter->quit(0);
    card.presenter.reset();
    card.applications.release();
    settle();
    EXPECT_EQ(card.applications.quits().size(), 2u);
}

}  // namespace
}  // namespace zephrane::mainwindow
