twk_core_sources(menu_model.cpp)
