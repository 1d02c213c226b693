-- Package TEMP_SELECT_PACK: rows marked in grids, for reports.

CREATE OR REPLACE FUNCTION @SCHEMA@."TEMP_SELECT_PACK.INS_ORDER_LINES_REPORT"("PGUID" varchar,
                                                                            "PCOMPONENT" varchar,
                                                                            "PROWID" varchar)
RETURNS void
LANGUAGE sql AS $body$
  INSERT INTO @SCHEMA@.temp_select (guid_service, component, row_id)
  VALUES ("PGUID", "PCOMPONENT", "PROWID")
  ON CONFLICT (guid_service, component, row_id) DO NOTHING
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."TEMP_SELECT_PACK.DEL_ORDER_LINES_REPORT"("PGUID" varchar,
                                                                            "PCOMPONENT" varchar,
                                                                            "PROWID" varchar)
RETURNS void
LANGUAGE sql AS $body$
  DELETE FROM @SCHEMA@.temp_select
  WHERE guid_service = "PGUID" AND component = "PCOMPONENT" AND row_id = "PROWID"
$body$;

INSERT INTO @SCHEMA@.schema_version (version)
  SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM @SCHEMA@.schema_version);
