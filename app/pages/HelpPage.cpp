#include "app/pages/HelpPage.h"

#include <QTextEdit>

#include "app/ComponentRegistry.h"

namespace carecfg {

void HelpPage::Build() {
    auto* rte =
        m_context.registry.Add(new QTextEdit(&m_sheet), QString::fromLatin1(m_content.component));
    rte->setReadOnly(!m_content.editable);
    rte->setAcceptRichText(true);
    rte->setPlainText(QString::fromUtf8(m_content.builtIn.data(),
                                        static_cast<qsizetype>(m_content.builtIn.size())));
    if (!m_content.scrollBars) {
        rte->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        rte->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    QFont font = rte->font();
    font.setPixelSize(13);
    rte->setFont(font);
    rte->document()->setDocumentMargin(12);
    rte->setProperty(kFillParentProperty, true);
}

}  // namespace carecfg
