#include "tests/server/wordbank/wordbankfixture.h"

#include "common/text/gbkcodec.h"
#include "common/widgets/controls.h"
#include "tests/support/waits.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTest>

void WordBankFixture::SetUp()
{
    ServerFixture::SetUp();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

void WordBankFixture::write_bank(const QString& name, const QByteArray& bytes)
{
    ASSERT_TRUE(folder.write_file(name, bytes)) << name.toStdString();
}

void WordBankFixture::pick_category(int index)
{
    window->组合框[1]->setCurrentIndex(index);
    emit window->组合框[1]->activated(index);
}

void WordBankFixture::pick_term(int index)
{
    ASSERT_TRUE(window->组合框[2]->isEnabled());
    window->组合框[2]->setCurrentIndex(index);
    emit window->组合框[2]->activated(index);
}

void WordBankFixture::pick_word(int row)
{
    QListWidget* list = window->列表框1;
    QListWidgetItem* item = list->item(row);
    ASSERT_NE(item, nullptr) << "row " << row;
    ASSERT_NE(list->currentRow(), row) << "clicking the current item picks nothing";
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    ASSERT_EQ(list->currentRow(), row);
}

void WordBankFixture::choose_from_list(QComboBox* box, int index)
{
    box->showPopup();
    QAbstractItemView* list = box->view();
    ASSERT_TRUE(wait_until([list] { return list->isVisible(); }));
    // The list ignores a release that comes too soon after it opened, as the end of the opening click.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    const QRect item = list->visualRect(box->model()->index(index, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    ASSERT_TRUE(wait_until([list] { return !list->isVisible(); }));
    ASSERT_EQ(box->currentIndex(), index);
}

std::vector<QByteArray> WordBankFixture::items() const
{
    std::vector<QByteArray> result;
    for (int row = 0; row < window->列表框1->count(); ++row)
        result.push_back(gbk(common::list_box_item_text(window->列表框1, row)));
    return result;
}

QByteArray WordBankFixture::prompt() const
{
    return gbk(common::content(window->编辑框[6]));
}

QByteArray WordBankFixture::answer() const
{
    return gbk(common::content(window->编辑框[7]));
}

QByteArray WordBankFixture::grid() const
{
    const QComboBox* box = window->组合框[3];
    return box->currentIndex() < 0 ? QByteArray() : gbk(common::from_qstring(box->currentText()));
}
