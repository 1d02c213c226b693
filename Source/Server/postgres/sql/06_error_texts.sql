-- Texts the error handler shows instead of the server's own, seeded once.
INSERT INTO @SCHEMA@.error_messages (errorcode, "constraint", message)
SELECT v.code, v.name, v.message
FROM (VALUES
  (1, 'UK_LOCATABBREV_SNAME', 'Сокращение с таким кратким наименованием уже существует'),
  (1, 'UK_LOCATTYPE_LEVEL_ABBREV', 'Такое сокращение на этом уровне уже есть'),
  (1, NULL, 'Такая запись уже существует'),
  (2290, 'CK_LOCATTYPE_LEVEL', 'Номер уровня должен быть от 1 до 15'),
  (2290, 'CK_INFORMATION_INFOTYPE', 'Неизвестный вид информации'),
  (2291, 'FK_LOCATION_PARENT', 'Вышестоящее местоположение не найдено'),
  (2291, 'FK_LOCATION_LOCATTYPE', 'Тип местоположения не найден'),
  (2291, NULL, 'Связанная запись не найдена'),
  (2292, 'FK_LOCATTYPE_ABBREV', 'Сокращение используется в справочнике уровней'),
  (2292, 'FK_LOCATION_LOCATTYPE', 'Уровень используется местоположениями'),
  (2292, NULL, 'Запись нельзя удалить, т.к. на нее есть ссылки')
) AS v (code, name, message)
WHERE NOT EXISTS (SELECT 1 FROM @SCHEMA@.error_messages);
