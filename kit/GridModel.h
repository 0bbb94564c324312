#pragma once
#include <QAbstractTableModel>
#include <QFont>
#include <QStringList>
#include <functional>

namespace quorvin {

// A grid as the design uses it: row 0 is an ordinary row that holds the titles (bold, on the title colour),
// the rows below it are the page's. A cell's text is made only when the view asks for it, for the cells it
// paints; a change of rows announces only the cells that changed.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    GridModel(int columns, QObject *parent);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // The title row's texts, in the bold of that font, on the title colour.
    void setTitles(const QStringList &titles, const QFont &bold);

protected:
    // The rows below the title row, numbered from 0.
    virtual int bodyRows() const = 0;
    virtual QString bodyText(int row, int column) const = 0;
    virtual QVariant bodyBackground(int, int) const { return {}; }

    // Puts new rows in place of the old (swap does it): the cells changed(row, column) names in the rows both
    // have are announced, in runs down each column; the rows beyond are inserted or removed at the end, so
    // the view keeps its place and its current cell as a grid written cell by cell does.
    void replaceBody(int oldRows, int newRows, const std::function<bool(int, int)> &changed,
                     const std::function<void()> &swap);

private:
    int m_columns;
    QStringList m_titles;
    QFont m_titleFont;
    bool m_titled = false;
};

} // namespace quorvin
