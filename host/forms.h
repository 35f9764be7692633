#pragma once

#include "host/form.h"

#include <memory>
#include <vector>

// The one instance of each form type, made on first use and kept until the
// program ends.
class Forms {
public:
    template <class F> static F& instance() {
        for (const auto& form : all())
            if (auto* found = dynamic_cast<F*>(form.get()))
                return *found;
        auto made = std::make_unique<F>();
        F& form = *made;
        all().push_back(std::move(made));
        return form;
    }

    static void hideAll();
    // Destroys every instance; the next use makes a new one.
    static void destroyAll();

private:
    static std::vector<std::unique_ptr<Form>>& all();
};
