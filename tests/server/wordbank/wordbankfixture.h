#pragma once

#include <vector>

#include "tests/server/window/serverfixture.h"

#include <QByteArray>
#include <QComboBox>
#include <QString>

// The real server window with word-bank files in its program folder, driven as the operator
// drives it: category and term picks through the boxes' activation, word picks by mouse clicks.
class WordBankFixture : public ServerFixture
{
protected:
    // Shows the window, as the operator has it open while preparing questions.
    void SetUp() override;

    void write_bank(const QString& name, const QByteArray& bytes);
    void pick_category(int index);
    void pick_term(int index);
    void pick_word(int row);
    // The operator's whole gesture: opens the box's list and clicks the item.
    void choose_from_list(QComboBox* box, int index);

    std::vector<QByteArray> items() const;
    QByteArray prompt() const;
    QByteArray answer() const;
    // The grid box's selected item, empty when nothing is selected.
    QByteArray grid() const;
};
